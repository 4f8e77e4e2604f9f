// pe-check: verifies what a shipped Windows program must be, from the built
// file itself. Prints what it read and exits 0 when every requested check
// passes, 1 when one fails, 2 when the file cannot be read as a PE image.
//
//   pe-check FILE [--gui] [--system-imports] [--hardened]
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pe_hardening.h"
#include "pe_image.h"
#include "system_dlls.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: pe-check FILE [--gui] [--system-imports] [--hardened]\n");
    return 2;
  }
  std::vector<uint8_t> bytes;
  if (!pe::ReadFile(argv[1], &bytes)) {
    std::fprintf(stderr, "pe-check: cannot read %s\n", argv[1]);
    return 2;
  }
  pe::Image image;
  std::string error;
  if (!pe::Parse(bytes.data(), bytes.size(), &image, &error)) {
    std::fprintf(stderr, "pe-check: %s: %s\n", argv[1], error.c_str());
    return 2;
  }

  int failures = 0;
  auto check = [&](bool ok, const char* what) {
    std::printf("%-6s %s\n", ok ? "ok" : "FAILED", what);
    if (!ok) ++failures;
  };
  std::printf("%s: machine 0x%04x, subsystem %u, %zu sections, %zu resources\n", argv[1], image.machine,
              image.subsystem, image.sections.size(), image.resources.size());
  check(image.machine == 0x8664, "machine is x86-64");
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--gui") == 0) {
      check(image.subsystem == 2, "Windows GUI subsystem");
    } else if (std::strcmp(argv[i], "--system-imports") == 0) {
      for (const std::string& dll : image.imports) {
        std::string line = "imports " + dll + " (a Windows system DLL)";
        check(pe::IsSystemDll(dll), line.c_str());
      }
    } else if (std::strcmp(argv[i], "--hardened") == 0) {
      for (const pe::HardeningCheck& c : pe::CheckHardening(image, bytes)) check(c.ok, c.what.c_str());
      for (const pe::HardeningCheck& c : pe::CheckStartedAsIntended(image, bytes)) check(c.ok, c.what.c_str());
    } else {
      std::fprintf(stderr, "pe-check: unknown option %s\n", argv[i]);
      return 2;
    }
  }
  return failures == 0 ? 0 : 1;
}
