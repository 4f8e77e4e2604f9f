// pad-file: appends zeros to a built program up to the exact size its
// payload entry has, and fails the build when the program outgrew it.
//
//   pad-file --name NAME IN OUT SIZE
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pack_files.h"

int main(int argc, char** argv) {
  if (argc != 6 || std::strcmp(argv[1], "--name") != 0) {
    std::fprintf(stderr, "usage: pad-file --name NAME IN OUT SIZE\n");
    return 2;
  }
  char* end = nullptr;
  unsigned long long size = std::strtoull(argv[5], &end, 10);
  if (argv[5][0] < '0' || argv[5][0] > '9' || *end != '\0' || size > 0xFFFFFFFFull) {
    std::fprintf(stderr, "pad-file: bad size '%s'\n", argv[5]);
    return 2;
  }
  std::string error;
  if (!PadFile(argv[3], argv[4], size, argv[2], &error)) {
    std::fprintf(stderr, "pad-file: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
