// The App Pack's components and the names the installation gives them on
// disk, all read from component_rows.inc. Platform neutral.
#pragma once

#include <cstdint>

// Each row of component_rows.inc, seen through two macros that a reader
// defines before it includes the rows.
#define COMPONENT_ROWS_IGNORE_COMPONENTS(name, entry, bytes, time, shell)
#define COMPONENT_ROWS_IGNORE_UNINSTALLERS(name, entry, bytes)

constexpr uint32_t kComponentCount = 0
#define COMPONENT_ROW(name, entry, bytes, time, shell) +1
#define UNINSTALLER_ROW COMPONENT_ROWS_IGNORE_UNINSTALLERS
#include "component_rows.inc"
#undef COMPONENT_ROW
#undef UNINSTALLER_ROW
    ;

// The uninstallers' payload entries and sizes, in the order they are listed:
// the all-users installation's, then the single-user edition's.
struct Uninstaller {
  uint32_t payloadEntry;
  uint32_t bytes;
};
constexpr Uninstaller kUninstallers[] = {
#define COMPONENT_ROW COMPONENT_ROWS_IGNORE_COMPONENTS
#define UNINSTALLER_ROW(name, entry, bytes) {entry, bytes},
#include "component_rows.inc"
#undef COMPONENT_ROW
#undef UNINSTALLER_ROW
};
constexpr uint32_t kUninstallerEntry = kUninstallers[0].payloadEntry;
constexpr uint32_t kSingleUserUninstallerEntry = kUninstallers[1].payloadEntry;

// One program of the App Pack, in install order (index = install step).
struct Component {
  const wchar_t* name;  // file "name.exe", shortcut "name.lnk", check box label
  uint32_t payloadEntry;
  uint32_t bytes;  // the program's size, as packed
  bool hasShellRegistration;
};
extern const Component kComponentTable[kComponentCount];

// The uninstaller's name as a component; never shown as a check box.
extern const wchar_t kUninstallerComponentName[];       // L"Uninstall"
constexpr uint32_t kUninstallerName = kComponentCount;  // its index among the setup's nine names

// The uninstaller's file in the install folder.
extern const wchar_t kUninstallerFileName[];  // L"uninstall.exe"

// The maker's folder: below Program Files by default, and below the
// Start-menu programs folder for the shortcuts.
extern const wchar_t kMakerFolder[];  // L"Velunora"
