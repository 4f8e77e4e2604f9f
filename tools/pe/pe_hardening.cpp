#include "pe_hardening.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace pe {
namespace {

constexpr uint16_t kRelocsStripped = 0x0001;
constexpr uint16_t kHighEntropyVa = 0x0020;
constexpr uint16_t kDynamicBase = 0x0040;
constexpr uint16_t kNxCompat = 0x0100;
constexpr uint16_t kTerminalServerAware = 0x8000;
constexpr uint32_t kSectionExecute = 0x20000000;
constexpr uint32_t kSectionWrite = 0x80000000;
constexpr size_t kBaseRelocationDirectory = 5;
constexpr uint32_t kGroupIconType = 14;
constexpr uint32_t kVersionType = 16;
constexpr uint32_t kManifestType = 24;

bool Imports(const Image& image, const char* dll) {
  for (const std::string& name : image.imports) {
    std::string lower;
    for (char c : name) lower.push_back(char(std::tolower(static_cast<unsigned char>(c))));
    if (lower == dll) return true;
  }
  return false;
}

bool ImportsFunction(const Image& image, const char* wanted) {
  for (const std::string& function : image.importedFunctions) {
    if (function.substr(function.find('!') + 1) == wanted) return true;
  }
  return false;
}

bool HasResource(const Image& image, uint32_t type) {
  for (const Resource& r : image.resources) {
    if (r.type.isOrdinal && r.type.ordinal == type) return true;
  }
  return false;
}

// True when a manifest resource holds `text`.
bool ManifestHolds(const Image& image, const std::vector<uint8_t>& bytes, const char* text) {
  size_t length = std::strlen(text);
  for (const Resource& r : image.resources) {
    if (!r.type.isOrdinal || r.type.ordinal != kManifestType) continue;
    const uint8_t* begin = bytes.data() + r.fileOffset;
    const uint8_t* end = begin + r.size;
    if (std::search(begin, end, text, text + length) != end) return true;
  }
  return false;
}

// True when the program can load a DLL itself: whatever name it passed,
// the search would be its own choice rather than the system's.
bool LoadsLibraries(const Image& image) {
  static const char* const kLoaders[] = {"LoadLibraryA",   "LoadLibraryW",        "LoadLibraryExA",
                                         "LoadLibraryExW", "LoadPackagedLibrary", "LdrLoadDll"};
  for (const char* loader : kLoaders) {
    if (ImportsFunction(image, loader)) return true;
  }
  return false;
}

}  // namespace

std::vector<HardeningCheck> CheckHardening(const Image& image, const std::vector<uint8_t>& bytes) {
  std::vector<HardeningCheck> checks;
  uint16_t flags = image.dllCharacteristics;
  checks.push_back({"dynamic base", (flags & kDynamicBase) != 0});
  bool relocations = !(image.characteristics & kRelocsStripped) &&
                     image.directories.size() > kBaseRelocationDirectory &&
                     image.directories[kBaseRelocationDirectory].size != 0;
  checks.push_back({"base relocations kept", relocations});
  checks.push_back({"high-entropy VA", (flags & kHighEntropyVa) != 0});
  checks.push_back({"NX compatible", (flags & kNxCompat) != 0});
  checks.push_back({"terminal-server aware", (flags & kTerminalServerAware) != 0});
  for (const Section& s : image.sections) {
    bool both = (s.characteristics & kSectionWrite) && (s.characteristics & kSectionExecute);
    checks.push_back({"section " + s.name + " not both writable and executable", !both});
  }
  checks.push_back({"loads no DLL itself (no LoadLibrary import)", !LoadsLibraries(image)});
  if (Imports(image, "comctl32.dll")) {
    checks.push_back({"comctl32 through the manifest's dependency",
                      ManifestHolds(image, bytes, "Microsoft.Windows.Common-Controls")});
  }
  return checks;
}

std::vector<HardeningCheck> CheckStartedAsIntended(const Image& image, const std::vector<uint8_t>& bytes) {
  return {
      {"manifest states the execution level", ManifestHolds(image, bytes, "requestedExecutionLevel")},
      {"has an icon", HasResource(image, kGroupIconType)},
      {"has a version record", HasResource(image, kVersionType)},
      {"limits the DLL search (SetDefaultDllDirectories import)", ImportsFunction(image, "SetDefaultDllDirectories")},
  };
}

}  // namespace pe
