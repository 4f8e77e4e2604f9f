// What the scenarios share: the installation's fixed names, the steps a user
// takes through the wizard, and the expectations on what an installation
// left behind.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "components.h"
#include "install_steps.h"
#include "payload_view.h"
#include "resource.h"
#include "ui.h"

extern const wchar_t kSetupPath[];
extern const wchar_t kDefaultInstallDir[];
extern const wchar_t kShortcutDir[];
extern const wchar_t kUninstallKey[];
extern const wchar_t kFinishedStatus[];
extern const wchar_t kFailedStatus[];

// Where an edition's installation goes and how it names itself, as
// documented: the program a maker hands out, its title, the folders it
// offers and writes its shortcuts into, the registry root of its values and
// its uninstaller's payload entry.
struct EditionPlaces {
  std::wstring setupPath;
  std::wstring title;
  std::wstring defaultInstallDir;
  std::wstring shortcutDir;
  HKEY root;
  uint32_t uninstallerEntry;
};
// setup.exe: C:\Program Files\Velunora\, the all-users Start menu, HKLM, entry 9.
const EditionPlaces& AllUsers();
// setup-user.exe: the user's own programs folder (%LOCALAPPDATA%\Programs)
// and Start menu, HKCU, entry 10.
const EditionPlaces& SingleUser();
// The size of payload entry `entry`: the license, a program, an uninstaller.
uint32_t EntryBytes(uint32_t entry);
enum Page { kLicense, kComponents, kFolder, kProgress };

// What an installation of `selection` (bit k: component k ticked) should
// leave: the components whose program file was written (their registration
// goes with it), those whose shortcut was written, and whether the
// uninstaller and its Add/Remove Programs entry were. `leftOver`: components
// whose program file is there without having been written by the
// installation (held open by another program, or cut short by a full disk),
// so its contents are not looked at.
struct Outcome {
  uint32_t selection;
  uint32_t programs;
  uint32_t shortcuts;
  bool uninstaller;
  uint32_t leftOver;
};
// Everything of `selection` installed.
Outcome Complete(uint32_t selection);

void Screenshot(const wchar_t* name);
uint32_t RequiredBytes(uint32_t selection, const EditionPlaces& edition = AllUsers());
bool Launch(Setup* setup, const wchar_t* path = kSetupPath, const wchar_t* currentDirectory = nullptr);
bool LoadPayload(PayloadView* payload);
bool ExpectExit(Setup* setup, const char* how);
void ExpectPageShown(const Setup& setup, int page, const char* what);
// From the license page to the folder page, checking each page on the way.
void GoToFolderPage(const Setup& setup, bool screenshots);
// Clicks "&Install" and waits for the final text; returns the details lines.
std::vector<std::wstring> InstallAndWait(const Setup& setup, const wchar_t* finalText, bool screenshots);
// The details lines an installation with this outcome shows, in order.
std::vector<std::wstring> ExpectedLines(const std::wstring& installDir, const Outcome& outcome,
                                        const EditionPlaces& edition = AllUsers());
// The files, times, shortcuts and registry values of the outcome, and
// nothing of what it left out.
void ExpectInstalled(const PayloadView& payload, const std::wstring& installDir, const Outcome& outcome,
                     const EditionPlaces& edition = AllUsers());
