#include "scenarios.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "expect.h"
#include "scenario_steps.h"
#include "screenshot.h"
#include "system_state.h"

const wchar_t kSetupPath[] = L"S:\\setup.exe";
const wchar_t kDefaultInstallDir[] = L"C:\\Program Files\\Velunora\\";
const wchar_t kShortcutDir[] = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Velunora\\";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velunora";
const wchar_t kFinishedStatus[] = L"Installation completed successfully.";
const wchar_t kFailedStatus[] = L"Installation failed.";

const EditionPlaces& AllUsers() {
  static const EditionPlaces places = {
      kSetupPath, L"Velunora App Pack (All Users)", kDefaultInstallDir, kShortcutDir, HKEY_LOCAL_MACHINE, 9};
  return places;
}

const EditionPlaces& SingleUser() {
  static const EditionPlaces places = {L"S:\\setup-user.exe",
                                       L"Velunora App Pack (Single User)",
                                       UserFolder(CSIDL_LOCAL_APPDATA) + L"Programs\\Velunora\\",
                                       UserFolder(CSIDL_PROGRAMS) + L"Velunora\\",
                                       HKEY_CURRENT_USER,
                                       10};
  return places;
}

uint32_t EntryBytes(uint32_t entry) {
  const uint32_t kLicenseBytes = 503;  // apppack/license.txt, CRLF lines
  if (entry == kLicenseEntry) return kLicenseBytes;
  for (const Component& c : kComponentTable) {
    if (c.payloadEntry == entry) return c.bytes;
  }
  for (const Uninstaller& u : kUninstallers) {
    if (u.payloadEntry == entry) return u.bytes;
  }
  return 0;
}

Outcome Complete(uint32_t selection) { return {selection, selection, selection, selection != 0, 0}; }

void Screenshot(const wchar_t* name) {
  Sleep(400);  // let the page repaint
  SaveScreenshot(std::wstring(L"T:\\") + name + L".bmp");
}

uint32_t RequiredBytes(uint32_t selection, const EditionPlaces& edition) {
  uint32_t sum = 0;
  for (uint32_t k = 0; k < kComponentCount; ++k) {
    if (IsSelected(selection, k)) sum += kComponentTable[k].bytes;
  }
  return sum ? sum + EntryBytes(edition.uninstallerEntry) : 0;
}

bool ExpectExit(Setup* setup, const char* how) {
  DWORD code = 0;
  bool ended = WaitForExit(setup, &code);
  Expect(ended, "setup.exe ended after %s", how);
  return ExpectNumber(code, 0, "exit code");
}

void ExpectPageShown(const Setup& setup, int page, const char* what) {
  bool shown = WaitUntil([&] { return VisiblePage(setup) == page; }, 5000);
  Expect(shown, "%s page is the only visible page", what);
}

namespace {

// Every page's fixed texts, exactly as a user sees them.
void ExpectPageTexts(const Setup& setup, const PayloadView& payload) {
  ExpectText(ReadText(setup.frame), AllUsers().title, "frame title");
  HWND p0 = setup.pages[kLicense], p1 = setup.pages[kComponents], p2 = setup.pages[kFolder],
       p3 = setup.pages[kProgress];
  ExpectText(ControlText(p0, 1000),
             L"Please review the license agreement before installing Velunora App Pack. If you accept all terms of "
             L"the agreement, click I Agree.",
             "license heading");
  const PayloadEntry& license = payload.entries[0];
  std::wstring licenseText;
  for (uint32_t i = 0; i < license.size && i < 511; ++i) licenseText.push_back(wchar_t(payload.Data(0)[i]));
  Expect(license.size == 503 && ControlText(p0, 1004) == licenseText, "license text shown whole (%u bytes)",
         license.size);
  ExpectText(ControlText(p0, 1), L"I &Agree", "license forward button");
  ExpectText(ControlText(p0, 2), L"Cancel", "license cancel button");

  ExpectText(ControlText(p1, 1001),
             L"Check the components you want to install and uncheck the components you don't want to install. Click "
             L"Next to continue.",
             "components heading");
  ExpectText(ControlText(p1, 1), L"&Next >", "components forward button");
  ExpectText(ControlText(p1, 2), L"Cancel", "components cancel button");
  ExpectText(ControlText(p1, 3), L"< &Back", "components back button");
  for (int k = 0; k < 8; ++k) {
    std::string what = "check box " + std::to_string(IDC_COMPONENT_FIRST + k);
    ExpectText(ControlText(p1, IDC_COMPONENT_FIRST + k), kComponentTable[k].name, what.c_str());
    Expect(IsChecked(p1, IDC_COMPONENT_FIRST + k) && IsVisible(p1, IDC_COMPONENT_FIRST + k), "%s ticked and visible",
           what.c_str());
  }
  Expect(!IsVisible(p1, 1014) && !IsEnabled(p1, 1014), "the ninth grid cell stays hidden and disabled");

  ExpectText(ControlText(p2, 1002),
             L"Setup will install Velunora App Pack in the following folder. To install in a different folder, click "
             L"Browse and select another folder. Click Install to start the installation.",
             "folder heading");
  ExpectText(ControlText(p2, 1015), L"Destination Folder", "folder group box");
  ExpectText(ControlText(p2, 1), L"&Install", "folder forward button");
  ExpectText(ControlText(p2, 2), L"Cancel", "folder cancel button");
  ExpectText(ControlText(p2, 3), L"< &Back", "folder back button");
  ExpectText(ControlText(p2, 4), L"B&rowse...", "browse button");
  ExpectText(ControlText(p3, 1), L"&Close", "progress forward button");
  ExpectText(ControlText(p3, 5), L"Show &Details", "show details button");
}

}  // namespace

void GoToFolderPage(const Setup& setup, bool screenshots) {
  ExpectPageShown(setup, kLicense, "license");
  if (screenshots) Screenshot(L"1-license");
  Click(setup.pages[kLicense], 1);
  ExpectPageShown(setup, kComponents, "components");
  if (screenshots) Screenshot(L"2-components");
  Click(setup.pages[kComponents], 1);
  ExpectPageShown(setup, kFolder, "folder");
}

std::vector<std::wstring> InstallAndWait(const Setup& setup, const wchar_t* finalText, bool screenshots) {
  Click(setup.pages[kFolder], 1);
  ExpectPageShown(setup, kProgress, "progress");
  Expect(IsVisible(setup.pages[kProgress], 5) && !IsVisible(setup.pages[kProgress], 1018),
         "the details list stays hidden until asked for");
  HWND status = GetDlgItem(setup.pages[kProgress], 1003);
  bool finished = WaitUntil([&] {
    if (!IsWindow(status)) return true;  // gone with the program: the reads below fail
    std::wstring text = ReadText(status);
    return text == kFinishedStatus || text == kFailedStatus;
  });
  Expect(finished, "the installation finished");
  ExpectText(ReadText(status), finalText, "final status");
  ExpectNumber(ProgressPosition(setup.pages[kProgress]), 100, "progress position");
  Click(setup.pages[kProgress], 5);
  Expect(!IsVisible(setup.pages[kProgress], 5) && IsVisible(setup.pages[kProgress], 1018),
         "\"Show &Details\" gives way to the details list");
  if (screenshots) Screenshot(L"4-progress");
  std::vector<std::wstring> lines = ListLines(GetDlgItem(setup.pages[kProgress], 1018));
  for (const std::wstring& line : lines) Note("details: %s", Narrow(line).c_str());
  Note("final text: %s", Narrow(ReadText(status)).c_str());
  return lines;
}

std::vector<std::wstring> ExpectedLines(const std::wstring& installDir, const Outcome& outcome,
                                        const EditionPlaces& edition) {
  const wchar_t failed[] = L"ERROR: Write failed.";
  std::vector<std::wstring> lines;
  for (int k = 0; k < 8; ++k) {
    if (!(outcome.selection >> k & 1)) continue;
    lines.push_back(installDir + kComponentTable[k].name + L".exe");
    if (!(outcome.programs >> k & 1)) {
      lines.push_back(failed);
      continue;
    }
    lines.push_back(edition.shortcutDir + kComponentTable[k].name + L".lnk");
    if (!(outcome.shortcuts >> k & 1)) lines.push_back(failed);
  }
  if (!outcome.selection) return lines;
  lines.push_back(installDir + L"uninstall.exe");
  if (!outcome.uninstaller) lines.push_back(failed);
  return lines;
}

namespace {

void ExpectValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& text, DWORD bytes = 0) {
  RegistryValue value = ReadValue(key, name, root);
  std::string what = std::string(root == HKEY_CURRENT_USER ? "HKCU\\" : "HKLM\\") + Narrow(key) + "\\" +
                     (name ? Narrow(name) : std::string("(default)"));
  if (!Expect(value.present && value.type == REG_SZ, "%s is a REG_SZ", what.c_str())) return;
  ExpectText(value.Text(), text, what.c_str());
  ExpectNumber(value.data.size(), bytes ? bytes : 2 * (text.size() + 1), (what + " bytes").c_str());
}

void ExpectNumberValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD number) {
  RegistryValue value = ReadValue(key, name, root);
  std::string what = std::string(root == HKEY_CURRENT_USER ? "HKCU\\" : "HKLM\\") + Narrow(key) + "\\" + Narrow(name);
  if (!Expect(value.present && value.type == REG_DWORD && value.data.size() == 4, "%s is a REG_DWORD", what.c_str()))
    return;
  ExpectNumber(value.Number(), number, what.c_str());
}

}  // namespace

void ExpectInstalled(const PayloadView& payload, const std::wstring& installDir, const Outcome& outcome,
                     const EditionPlaces& edition) {
  const uint32_t selection = outcome.programs;  // registrations go with the program files
  const HKEY root = edition.root;
  auto ExpectValue = [&](const std::wstring& key, const wchar_t* name, const std::wstring& text, DWORD bytes = 0) {
    ::ExpectValue(root, key, name, text, bytes);
  };
  auto ExpectNumberValue = [&](const std::wstring& key, const wchar_t* name, DWORD number) {
    ::ExpectNumberValue(root, key, name, number);
  };
  for (int k = 0; k < 8; ++k) {
    std::wstring program = installDir + kComponentTable[k].name + L".exe";
    std::wstring shortcut = edition.shortcutDir + kComponentTable[k].name + L".lnk";
    std::vector<BYTE> bytes;
    bool present = ReadFileBytes(program, &bytes);
    bool linked = GetFileAttributesW(shortcut.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!(selection >> k & 1)) {
      bool leftOver = outcome.leftOver >> k & 1;
      Expect((!present || leftOver) && !linked, "%s not installed", Narrow(kComponentTable[k].name).c_str());
      continue;
    }
    const PayloadEntry& entry = payload.entries[k + 1];
    Expect(present && bytes.size() == kComponentTable[k].bytes &&
               std::memcmp(bytes.data(), payload.Data(k + 1), bytes.size()) == 0,
           "%s holds its %u bytes exactly", Narrow(program).c_str(), kComponentTable[k].bytes);
    FILETIME written = {};
    LastWriteTime(program, &written);
    Expect(entry.lastWrite.highDateTime != 0 && written.dwLowDateTime == entry.lastWrite.lowDateTime &&
               written.dwHighDateTime == entry.lastWrite.highDateTime,
           "%s carries its stored last-write time", Narrow(program).c_str());
    if (outcome.shortcuts >> k & 1) {
      ExpectText(ShortcutTarget(shortcut), program, ("target of " + Narrow(shortcut)).c_str());
    } else {
      Expect(!linked, "no shortcut %s", Narrow(shortcut).c_str());
    }
  }

  std::wstring classes = L"Software\\Classes\\";
  auto command = [&](const wchar_t* name) { return L"\"" + installDir + name + L".exe\" \"%1\""; };
  auto icon = [&](const wchar_t* name) { return installDir + name + L".exe,0"; };
  if (selection >> 4 & 1) {
    ExpectValue(classes + L"Directory\\shell\\Tunebridge", nullptr, L"Play with Tunebridge", 42);
    ExpectValue(classes + L"Directory\\shell\\Tunebridge\\command", nullptr, command(L"Tunebridge"));
    ExpectValue(classes + L"SystemFileAssociations\\audio\\shell\\Tunebridge", nullptr, L"Play with Tunebridge", 42);
    ExpectValue(classes + L"SystemFileAssociations\\audio\\shell\\Tunebridge\\command", nullptr,
                command(L"Tunebridge"));
  } else {
    Expect(!KeyExists(classes + L"Directory\\shell\\Tunebridge", root), "no folder verb without Tunebridge");
  }
  struct FileType {
    int component;
    const wchar_t* extension;
    const wchar_t* progId;
    const wchar_t* description;
    DWORD progIdBytes, descriptionBytes;
  } types[] = {
      {5, L".ntxt", L"Notelocker.Document", L"Notelocker Document", 40, 40},
      {6, L".kvx", L"Wardbin.File", L"KVX Encrypted File", 26, 38},
      {7, L".dft", L"Drifthub.File", L"Drifthub Archive", 28, 34},
  };
  for (const FileType& t : types) {
    if (!(selection >> t.component & 1)) {
      Expect(!KeyExists(classes + t.extension, root), "no %s registration", Narrow(t.extension).c_str());
      continue;
    }
    ExpectValue(classes + t.extension, nullptr, t.progId, t.progIdBytes);
    ExpectValue(classes + t.progId, nullptr, t.description, t.descriptionBytes);
    ExpectValue(classes + t.progId + L"\\DefaultIcon", nullptr, icon(kComponentTable[t.component].name));
    ExpectValue(classes + t.progId + L"\\shell", nullptr, L"open", 10);
    ExpectValue(classes + t.progId + L"\\shell\\open\\command", nullptr, command(kComponentTable[t.component].name));
  }

  if (!outcome.selection) return;
  ExpectValue(L"Software\\Velunora", L"AppPath", installDir);
  if (!outcome.uninstaller) {
    Expect(!KeyExists(kUninstallKey, root), "no Add/Remove Programs entry without the uninstaller");
    return;
  }
  std::wstring uninstaller = installDir + L"uninstall.exe";
  std::vector<BYTE> bytes;
  const uint32_t uninstallerBytes = EntryBytes(edition.uninstallerEntry);
  Expect(ReadFileBytes(uninstaller, &bytes) && bytes.size() == uninstallerBytes &&
             std::memcmp(bytes.data(), payload.Data(edition.uninstallerEntry), bytes.size()) == 0,
         "uninstall.exe holds entry %u's %u bytes exactly", edition.uninstallerEntry, uninstallerBytes);
  ExpectValue(kUninstallKey, L"DisplayIcon", uninstaller + L",0");
  ExpectValue(kUninstallKey, L"DisplayName", edition.title);
  ExpectValue(kUninstallKey, L"DisplayVersion", L"2308", 10);
  ExpectValue(kUninstallKey, L"Publisher", L"Velunora", 18);
  ExpectValue(kUninstallKey, L"UninstallString", L"\"" + uninstaller + L"\"");
  ExpectNumberValue(kUninstallKey, L"EstimatedSize", RequiredBytes(outcome.selection, edition) >> 10);
  ExpectNumberValue(kUninstallKey, L"NoModify", 1);
  ExpectNumberValue(kUninstallKey, L"NoRepair", 1);
}

bool Launch(Setup* setup, const wchar_t* path, const wchar_t* currentDirectory) {
  return Expect(LaunchSetup(path, setup, currentDirectory), "setup.exe shows its wizard");
}

bool LoadPayload(PayloadView* payload) {
  if (!Expect(ReadPayload(payload), "the packer's input files are read")) return false;
  for (int i = 0; i < 11; ++i) {
    if (payload->entries[i].size != EntryBytes(i)) {
      return Expect(false, "entry %d has %u bytes, documented %u", i, payload->entries[i].size, EntryBytes(i));
    }
  }
  return true;
}

namespace {

// The thread of setup.exe's focused window, to post keys to as a keyboard would.
HWND FocusOf(const Setup& setup) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(setup.frame, nullptr), &info);
  return info.hwndFocus ? info.hwndFocus : setup.frame;
}

void PressKey(const Setup& setup, UINT key, bool alt) {
  HWND focus = FocusOf(setup);
  LPARAM flags = 1 | (alt ? (1 << 29) : 0);
  PostMessageW(focus, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, flags);
  PostMessageW(focus, alt ? WM_SYSKEYUP : WM_KEYUP, key, flags | (1u << 30) | (1u << 31));
}

}  // namespace

void ScenarioLaunch() {
  Setup setup;
  if (!Launch(&setup)) return;
  Click(setup.pages[kLicense], 2);
  ExpectExit(&setup, "Cancel");
}

void ScenarioDefaultInstall() {
  PayloadView payload;
  if (!LoadPayload(&payload)) return;
  Setup setup;
  if (!Launch(&setup)) return;
  ExpectPageTexts(setup, payload);
  GoToFolderPage(setup, true);
  HWND folder = setup.pages[kFolder];
  ExpectText(ControlText(folder, 1005), kDefaultInstallDir, "install folder");
  ExpectText(ControlText(folder, 1017), L"Space required:  3 MB", "space required");
  std::wstring available = ControlText(folder, 1016);
  Expect(available.rfind(L"Space available: ", 0) == 0 && available.size() > 17 && available != L"Space available: ?",
         "space available: \"%s\"", Narrow(available).c_str());
  Expect(IsEnabled(folder, 1), "\"&Install\" enabled");
  Screenshot(L"3-folder");

  std::vector<std::wstring> lines = InstallAndWait(setup, kFinishedStatus, true);
  std::vector<std::wstring> expected = ExpectedLines(kDefaultInstallDir, Complete(kAllComponents));
  ExpectNumber(lines.size(), 17, "details lines");
  Expect(lines == expected, "details lines in order");
  Click(setup.pages[kProgress], 1);
  ExpectExit(&setup, "\"&Close\"");
  ExpectInstalled(payload, kDefaultInstallDir, Complete(kAllComponents));
}

void ScenarioSelection() {
  PayloadView payload;
  if (!LoadPayload(&payload)) return;
  Setup setup;
  if (!Launch(&setup)) return;
  Click(setup.pages[kLicense], 1);
  ExpectPageShown(setup, kComponents, "components");
  for (int k = 0; k < 8; ++k) Toggle(setup.pages[kComponents], IDC_COMPONENT_FIRST + k);
  Click(setup.pages[kComponents], 1);
  ExpectPageShown(setup, kFolder, "folder");
  ExpectText(ControlText(setup.pages[kFolder], 1017), L"Space required:  0 MB", "nothing selected: space required");
  Expect(!IsEnabled(setup.pages[kFolder], 1), "nothing selected: \"&Install\" disabled");
  Expect(!Click(setup.pages[kFolder], 1), "a disabled \"&Install\" cannot be clicked");
  PressKey(setup, VK_RETURN, false);  // nor reached through its default-button role
  Expect(WaitUntilHandled(setup) && VisiblePage(setup) == kFolder, "Enter on the folder page starts nothing");

  Click(setup.pages[kFolder], 3);
  ExpectPageShown(setup, kComponents, "components, after \"< &Back\"");
  Toggle(setup.pages[kComponents], IDC_COMPONENT_FIRST);
  Click(setup.pages[kComponents], 1);
  ExpectPageShown(setup, kFolder, "folder");
  ExpectText(ControlText(setup.pages[kFolder], 1017), L"Space required:  1 MB", "only Talvex: space required");
  Expect(IsEnabled(setup.pages[kFolder], 1), "only Talvex: \"&Install\" enabled");

  std::vector<std::wstring> lines = InstallAndWait(setup, kFinishedStatus, false);
  Expect(lines == ExpectedLines(kDefaultInstallDir, Complete(1)), "details lines of Talvex alone");
  Click(setup.pages[kProgress], 1);
  ExpectExit(&setup, "\"&Close\"");
  ExpectInstalled(payload, kDefaultInstallDir, Complete(1));
  Expect(FolderEntries(kDefaultInstallDir) == std::vector<std::wstring>{L"Talvex.exe", L"uninstall.exe"},
         "the install folder holds Talvex and the uninstaller only");
}

void ScenarioSecondRun() {
  PayloadView payload;
  if (!LoadPayload(&payload)) return;
  const std::wstring picked = L"C:\\Picked Apps";
  if (!Expect(CreateDirectoryW(picked.c_str(), nullptr) != FALSE, "%s created", Narrow(picked).c_str())) return;

  // First run: pick a folder; cancelling the picker first changes nothing.
  Setup setup;
  if (!Launch(&setup)) return;
  GoToFolderPage(setup, false);
  HWND folder = setup.pages[kFolder];
  std::wstring required = ControlText(folder, 1017);
  Click(folder, 4, true);
  HWND picker = nullptr;
  Expect(WaitUntil([&] { return (picker = FindOwnedDialog(setup.process.dwProcessId, setup.frame)) != nullptr; }),
         "the folder picker opens");
  if (!picker) return;
  Screenshot(L"browse");
  AnswerFolderPicker(setup, picker, picked, false);
  Expect(WaitUntil([&] { return !IsWindow(picker); }), "Cancel closes the picker");
  ExpectText(ControlText(folder, 1005), kDefaultInstallDir, "install folder after Cancel");
  ExpectText(ControlText(folder, 1017), required, "space required after Cancel");

  Click(folder, 4, true);
  Expect(WaitUntil([&] { return (picker = FindOwnedDialog(setup.process.dwProcessId, setup.frame)) != nullptr; }),
         "the folder picker opens again");
  if (!picker) return;
  AnswerFolderPicker(setup, picker, picked, true);
  Expect(WaitUntil([&] { return !IsWindow(folder) || ControlText(folder, 1005) == picked + L"\\"; }, 10000) &&
             ControlText(folder, 1005) == picked + L"\\",
         "the picked folder itself becomes the install folder");
  InstallAndWait(setup, kFinishedStatus, false);
  Click(setup.pages[kProgress], 1);
  ExpectExit(&setup, "\"&Close\"");
  ExpectInstalled(payload, picked + L"\\", Complete(kAllComponents));

  // Second run: offers the recorded folder; OK on the preselection keeps it.
  if (!Launch(&setup)) return;
  GoToFolderPage(setup, false);
  folder = setup.pages[kFolder];
  ExpectText(ControlText(folder, 1005), picked + L"\\", "second run offers the recorded folder");
  Click(folder, 4, true);
  Expect(WaitUntil([&] { return (picker = FindOwnedDialog(setup.process.dwProcessId, setup.frame)) != nullptr; }),
         "the folder picker opens on the second run");
  if (!picker) return;
  AnswerFolderPicker(setup, picker, L"", true);
  Expect(WaitUntil([&] { return !IsWindow(picker); }), "OK closes the picker");
  ExpectText(ControlText(folder, 1005), picked + L"\\", "OK on the preselection picks the recorded folder");
  Click(folder, 2);
  ExpectExit(&setup, "Cancel");
}

void ScenarioCancel() {
  Snapshot before = TakeSnapshot();
  struct Way {
    const char* what;
    int page;
    bool escape;
  } ways[] = {{"Cancel on the license page", kLicense, false},
              {"Cancel on the components page", kComponents, false},
              {"Cancel on the folder page", kFolder, false},
              {"Esc on the components page", kComponents, true}};
  for (const Way& way : ways) {
    Setup setup;
    if (!Launch(&setup)) return;
    for (int page = kLicense; page < way.page; ++page) Click(setup.pages[page], 1);
    ExpectPageShown(setup, way.page, way.what);
    if (way.escape) {
      PressKey(setup, VK_ESCAPE, false);
    } else {
      Click(setup.pages[way.page], 2);
    }
    ExpectExit(&setup, way.what);
    std::vector<std::wstring> changes = Differences(before, TakeSnapshot());
    for (const std::wstring& change : changes) Note("%s", Narrow(change).c_str());
    Expect(changes.empty(), "%s wrote nothing", way.what);
  }
}

void ScenarioCloseDuringInstall() {
  Setup setup;
  if (!Launch(&setup)) return;
  GoToFolderPage(setup, false);
  Click(setup.pages[kFolder], 1);
  ExpectPageShown(setup, kProgress, "progress");
  // While installing, every way of closing is ignored. WM_CLOSE is sent, so
  // handled on return; the others were posted, and have been handled once
  // a marker posted behind them comes through.
  SendMessageW(setup.frame, WM_CLOSE, 0, 0);
  PostMessageW(setup.frame, WM_SYSCOMMAND, SC_CLOSE, 0);
  Click(setup.pages[kProgress], 1);
  Expect(WaitUntilHandled(setup) && WaitForSingleObject(setup.process.hProcess, 0) == WAIT_TIMEOUT,
         "closing during the installation is ignored");
  HWND status = GetDlgItem(setup.pages[kProgress], 1003);
  Expect(WaitUntil([&] { return !IsWindow(status) || ReadText(status) == kFinishedStatus; }) && IsWindow(status),
         "the installation completes");
  Expect(WaitUntilHandled(setup) && WaitForSingleObject(setup.process.hProcess, 0) == WAIT_TIMEOUT,
         "the wizard stays open after finishing");
  PressKey(setup, VK_F4, true);
  ExpectExit(&setup, "Alt+F4");
}

void ScenarioDamagedPayload() {
  // One payload byte changed, and the payload resource cut short.
  struct Copy {
    const wchar_t* path;
    const wchar_t* screenshot;
  } copies[] = {{L"S:\\setup-damaged.exe", L"damaged"}, {L"S:\\setup-truncated.exe", L"truncated"}};
  for (const Copy& copy : copies) {
    Note("%s", Narrow(copy.path).c_str());
    Snapshot before = TakeSnapshot();
    PROCESS_INFORMATION process = {};
    if (!Expect(StartProcess(copy.path, &process), "the damaged setup.exe starts")) return;
    HWND box = nullptr;
    Expect(WaitUntil([&] { return (box = FindOwnedDialog(process.dwProcessId, nullptr)) != nullptr; }),
           "a message box appears");
    if (box) {
      ExpectText(ReadText(box), L"Error", "message box caption");
      ExpectText(ControlText(box, 0xFFFF), L"Setup initialization failed.", "message box text");
      Screenshot(copy.screenshot);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    Setup setup;
    setup.process = process;
    ExpectExit(&setup, "the message box");
    std::vector<std::wstring> changes = Differences(before, TakeSnapshot());
    for (const std::wstring& change : changes) Note("%s", Narrow(change).c_str());
    Expect(changes.empty(), "a damaged setup.exe writes nothing");
  }
}

std::wstring InstallWithWizard(uint32_t selection) { return InstallWithWizard(selection, AllUsers()); }

std::wstring InstallWithWizard(uint32_t selection, const EditionPlaces& edition) {
  int failures = Failures();
  PayloadView payload;
  if (!LoadPayload(&payload)) return L"";
  Setup setup;
  if (!Launch(&setup, edition.setupPath.c_str())) return L"";
  ExpectText(ReadText(setup.frame), edition.title, "frame title");
  Click(setup.pages[kLicense], 1);
  ExpectPageShown(setup, kComponents, "components");
  for (int k = 0; k < 8; ++k) {
    if (!(selection >> k & 1)) Toggle(setup.pages[kComponents], IDC_COMPONENT_FIRST + k);
  }
  Click(setup.pages[kComponents], 1);
  ExpectPageShown(setup, kFolder, "folder");
  std::wstring installDir = ControlText(setup.pages[kFolder], 1005);
  InstallAndWait(setup, kFinishedStatus, false);
  Click(setup.pages[kProgress], 1);
  ExpectExit(&setup, "\"&Close\"");
  ExpectInstalled(payload, installDir, Complete(selection), edition);
  return Failures() == failures ? installDir : L"";
}

void ExpectInstallation(uint32_t selection, const std::wstring& folder) {
  PayloadView payload;
  if (LoadPayload(&payload)) ExpectInstalled(payload, folder, Complete(selection));
}
