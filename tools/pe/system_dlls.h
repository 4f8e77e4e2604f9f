// The DLLs a program may import and still run on a clean Windows machine:
// the system's KnownDLLs, which always load from System32, and the common
// controls, which come from the side-by-side store through the manifest.
#pragma once

#include <string>

namespace pe {

bool IsSystemDll(const std::string& name);

}  // namespace pe
