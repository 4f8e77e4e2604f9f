// What an elevated program needs from its own headers: a random, high-entropy
// load address with the relocations to move there, data that never executes,
// no terminal-server shims, no section that is both writable and executable,
// no DLL loaded by the program itself, and the common controls only through
// the manifest's side-by-side dependency, never found by the DLL search.
// And what it needs to be started and shown as intended: a manifest that
// states its execution level (a program without one is started at whatever
// level its caller has), an icon, a version record, and the import of
// SetDefaultDllDirectories, which keeps every later DLL load in System32.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pe_image.h"

namespace pe {

struct HardeningCheck {
  std::string what;
  bool ok;
};

// One line per property; `bytes` is the file `image` was parsed from.
std::vector<HardeningCheck> CheckHardening(const Image& image, const std::vector<uint8_t>& bytes);

// The manifest's execution level, the icon, the version record and the
// DLL search, one line each.
std::vector<HardeningCheck> CheckStartedAsIntended(const Image& image, const std::vector<uint8_t>& bytes);

}  // namespace pe
