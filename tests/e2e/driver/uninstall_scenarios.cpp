// The uninstaller end to end. It is started exactly as Add/Remove Programs
// starts it, from the UninstallString the registry holds, answered as a
// user would, and the machine is then compared with its state before the
// installation.
#include "uninstall_scenarios.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "expect.h"
#include "install_steps.h"
#include "owners.h"
#include "path_text.h"
#include "payload_view.h"
#include "program_ids.h"
#include "scenario_steps.h"
#include "scenarios.h"
#include "screenshot.h"
#include "shell_files.h"
#include "system_state.h"
#include "ui.h"

namespace {

const wchar_t kCaption[] = L"Velunora App Pack Uninstall";
const wchar_t kQuestion[] = L"Remove Velunora App Pack and all of its components from this computer?";
const wchar_t kRemovedAll[] = L"Velunora App Pack has been removed from this computer.";
const wchar_t kRemovedPart[] = L"Velunora App Pack could not be removed completely.";
const wchar_t kNotTheUninstaller[] =
    L"The uninstaller could not be found where it was started from. Nothing has been removed.";
constexpr DWORD kSelfRemovalWaitMs = 15000;

void Screenshot(const wchar_t* name) {
  Sleep(400);  // let the box paint
  SaveScreenshot(std::wstring(L"T:\\") + name + L".bmp");
}

// The visible message box of the uninstaller, of any process but `not`.
HWND FindUninstallBox(DWORD notProcess) {
  HWND box = nullptr;
  while ((box = FindWindowExW(nullptr, box, L"#32770", kCaption))) {
    DWORD pid = 0;
    GetWindowThreadProcessId(box, &pid);
    if (pid != notProcess && IsWindowVisible(box)) return box;
  }
  return nullptr;
}

struct UninstallRun {
  bool asked = false;
  DWORD exitCode = 0;
  std::wstring closingText;  // empty when no closing message came
};

// Where finishing copies are kept: the Windows folder's Temp and the user's
// temporary folder.
std::wstring WindowsTempFolder() {
  wchar_t path[MAX_PATH];
  UINT length = GetSystemWindowsDirectoryW(path, MAX_PATH);
  return length && length < MAX_PATH ? std::wstring(path, length) + L"\\Temp\\" : L"";
}

std::vector<std::wstring> TempEntries() {
  std::vector<std::wstring> entries = FolderEntries(TempFolder());
  for (const std::wstring& entry : FolderEntries(WindowsTempFolder())) entries.push_back(L"Windows: " + entry);
  return entries;
}

// The processes of a job: how many were ever in it, and how many still run.
JOBOBJECT_BASIC_ACCOUNTING_INFORMATION JobProcesses(HANDLE job) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
  if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr)) {
    info.TotalProcesses = info.ActiveProcesses = ~DWORD(0);
  }
  return info;
}

// Runs `command` as the shell runs an UninstallString: CreateProcessW with
// no application name, so the program is read from the quoted command line.
// Answers the question; on Yes reads and dismisses the closing message
// (the finishing copy's, or the uninstaller's own when it could start no
// copy) and waits until the self-removal is complete: the processes have
// ended and the temporary folders hold again what they held before.
UninstallRun RunUninstaller(const std::wstring& command, bool yes, const wchar_t* screenshots = nullptr) {
  UninstallRun run;
  std::vector<std::wstring> tempBefore = TempEntries();
  std::wstring commandLine = command;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  // In a job of its own, which every process it starts joins too: after No,
  // an empty job is the proof that nothing is left to show a message later.
  UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;  // leaves the program's own choices alone
  if (!Expect(
          job.Valid() && SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits),
          "a job for the uninstaller") ||
      !Expect(CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                             &startup, &process),
              "the uninstall command starts: %s", Narrow(command).c_str())) {
    return run;
  }
  bool joined = AssignProcessToJobObject(job.Get(), process.hProcess) != FALSE;
  ResumeThread(process.hThread);
  Expect(joined, "the uninstaller runs in the job");
  Setup original;
  original.process = process;

  HWND box = nullptr;
  run.asked = Expect(WaitUntil([&] { return (box = FindOwnedDialog(process.dwProcessId, nullptr)) != nullptr; }),
                     "the uninstaller asks first");
  if (run.asked) {
    ExpectText(ReadText(box), kCaption, "question caption");
    ExpectText(ControlText(box, 0xFFFF), kQuestion, "question");
    if (screenshots) Screenshot((std::wstring(screenshots) + L"-question").c_str());
    Expect(Click(box, yes ? IDYES : IDNO, true), "answered %s", yes ? "Yes" : "No");
  }
  if (!yes) {
    Expect(WaitForExit(&original, &run.exitCode), "the uninstaller ends after the answer");
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION processes = JobProcesses(job.Get());
    Expect(processes.TotalProcesses == 1 && processes.ActiveProcesses == 0,
           "after No the uninstaller started nothing and is gone (%lu processes, %lu running)",
           processes.TotalProcesses, processes.ActiveProcesses);
    Expect(FindUninstallBox(0) == nullptr, "no closing message after No");
  } else {
    HWND closing = nullptr;
    Expect(WaitUntil([&] { return !IsWindow(box); }), "the question closes");
    Expect(WaitUntil([&] { return (closing = FindUninstallBox(0)) != nullptr; }), "the closing message appears");
    if (!closing) return run;
    run.closingText = ControlText(closing, 0xFFFF);
    for (size_t at = 0, next; at < run.closingText.size(); at = next + 1) {
      next = run.closingText.find(L'\n', at);
      if (next == std::wstring::npos) next = run.closingText.size();
      Note("closing message: %s", Narrow(run.closingText.substr(at, next - at)).c_str());
    }
    if (screenshots) Screenshot((std::wstring(screenshots) + L"-closing").c_str());
    DWORD pid = 0;
    GetWindowThreadProcessId(closing, &pid);
    HANDLE finishing = OpenProcess(SYNCHRONIZE, FALSE, pid);
    Click(closing, IDOK, true);
    Expect(finishing && WaitForSingleObject(finishing, kWaitMs) == WAIT_OBJECT_0,
           "the closing message is dismissed and its process ends");
    if (finishing) CloseHandle(finishing);
    Expect(WaitForExit(&original, &run.exitCode), "the uninstaller has ended");
  }
  ExpectNumber(run.exitCode, 0, "uninstaller exit code");
  if (!Expect(WaitUntil([&] { return TempEntries() == tempBefore; }, kSelfRemovalWaitMs),
              "the temporary folders hold what they held before")) {
    for (const std::wstring& entry : TempEntries()) Note("temporary: %s", Narrow(entry).c_str());
  }
  return run;
}

// Nothing of ours left, nothing else changed: every difference is named,
// and counted as residue.
void ExpectUnchanged(const Snapshot& before, const char* what) {
  std::vector<std::wstring> changes = Differences(before, TakeSnapshot(kMachineAndUserState));
  int keys = 0, values = 0, files = 0, other = 0;
  for (const std::wstring& change : changes) {
    Note("%s", Narrow(change).c_str());
    bool added = change.rfind(L"added ", 0) == 0;
    bool registry = change.find(L" HKLM\\") != std::wstring::npos || change.find(L" HKCU\\") != std::wstring::npos;
    if (!added) {
      ++other;
    } else if (registry) {
      (change.back() == L'\\' ? keys : values) += 1;
    } else {
      ++files;
    }
  }
  Note("residue after %s: %d registry keys, %d registry values, %d files and folders; %d other changes", what, keys,
       values, files, other);
  Expect(changes.empty(), "%s leaves the registry and the folders as they were", what);
}

// Expects the started `process` to be `program` showing `target` in its
// window, and to end cleanly when closed.
void ExpectProgramShows(HANDLE process, const std::wstring& target, const wchar_t* program) {
  DWORD pid = GetProcessId(process);
  HWND window = nullptr;
  WaitUntil([&] {
    while ((window = FindWindowExW(nullptr, window, kProgramWindowClass, nullptr))) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == pid && IsWindowVisible(window)) return true;
    }
    return false;
  });
  if (Expect(window != nullptr, "%s shows its window", Narrow(program).c_str())) {
    ExpectText(ReadText(window), program, "program window title");
    ExpectText(ControlText(window, kIdOpened), target, "shown as opened");
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  Setup started;
  started.process.hProcess = process;
  DWORD code = 1;
  Expect(WaitForExit(&started, &code) && code == 0, "%s closes cleanly", Narrow(program).c_str());
}

// Opens a document through the shell, as a double-click does.
void ExpectShellOpens(const std::wstring& document, const wchar_t* program) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpFile = document.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (Expect(ShellExecuteExW(&info) && info.hProcess, "the shell opens %s", Narrow(document).c_str())) {
    ExpectProgramShows(info.hProcess, document, program);
  }
}

// Runs the command of a verb key with `target` for %1, as the shell does on
// a click in the context menu. (Wine's shell opens every folder in its own
// file manager, whatever the verb, so the folder verb is run this way.)
void ExpectVerbOpens(const std::wstring& verbKey, const std::wstring& target, const wchar_t* program) {
  std::wstring command = ReadValue(verbKey + L"\\command", nullptr).Text();
  size_t at = command.find(L"%1");
  if (!Expect(at != std::wstring::npos, "%s has a command for %%1", Narrow(verbKey).c_str())) return;
  command.replace(at, 2, target);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (Expect(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process),
             "%s starts", Narrow(command).c_str())) {
    CloseHandle(process.hThread);
    ExpectProgramShows(process.hProcess, target, program);
  }
}

std::wstring RemovedLine(int programs, int shortcuts, int values, int folders) {
  std::wstring line = L"Removed: ";
  std::vector<std::wstring> parts;
  auto part = [&](int n, const wchar_t* one, const wchar_t* many) {
    if (n) parts.push_back(std::to_wstring(n) + L" " + (n == 1 ? one : many));
  };
  part(programs, L"program file", L"program files");
  part(shortcuts, L"shortcut", L"shortcuts");
  part(values, L"registry value", L"registry values");
  part(folders, L"folder", L"folders");
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) line += i + 1 == parts.size() ? L" and " : L", ";
    line += parts[i];
  }
  return line + L".";
}

// A full installation uninstalled with one program file that could not go:
// the closing message names it and why, and only it and its folder are left.
void ExpectAllRemovedBut(const Snapshot& before, const UninstallRun& run, const std::wstring& left,
                         const wchar_t* reason, const char* leftWhat) {
  ExpectText(run.closingText,
             std::wstring(kRemovedPart) + L"\n\n" + RemovedLine(8, 8, 28, 1) + L"\n\nCould not remove 1 item:\n" +
                 left + L": " + reason,
             "closing message");
  std::vector<std::wstring> changes = Differences(before, TakeSnapshot(kMachineAndUserState));
  for (const std::wstring& change : changes) Note("%s", Narrow(change).c_str());
  Expect(changes == std::vector<std::wstring>{std::wstring(L"added ") + kDefaultInstallDir, L"added " + left},
         "only %s and its folder are left", leftWhat);
}

// Registry values setup.exe writes for a selection: four for the folder
// verbs, five per file type, then AppPath and the eight of the entry.
int ValuesOf(uint32_t selection) {
  int values = 1 + 8;
  for (int k = 4; k < 8; ++k) values += (selection >> k & 1) ? (k == 4 ? 4 : 5) : 0;
  return values;
}

int Count(uint32_t selection) {
  int n = 0;
  for (int k = 0; k < 8; ++k) n += selection >> k & 1;
  return n;
}

// The four programs with shell registrations, opened the ways they were
// registered for: a document of each file type, a folder and an audio file.
void OpenWithThePrograms() {
  const std::wstring folder = L"C:\\Opened files\\";
  if (!Expect(CreateDirectoryW(folder.c_str(), nullptr) != FALSE, "%s created", Narrow(folder).c_str())) return;
  const struct {
    const wchar_t* file;
    const wchar_t* program;
  } documents[] = {{L"letter.ntxt", L"Notelocker"}, {L"keys.kvx", L"Wardbin"}, {L"bundle.dft", L"Drifthub"}};
  for (const auto& document : documents) {
    std::wstring path = folder + document.file;
    if (Expect(WriteFileBytes(path, "", 0), "%s created", Narrow(path).c_str())) {
      ExpectShellOpens(path, document.program);
    }
  }
  ExpectVerbOpens(L"Software\\Classes\\Directory\\shell\\Tunebridge", folder.substr(0, folder.size() - 1),
                  L"Tunebridge");
  ExpectVerbOpens(L"Software\\Classes\\SystemFileAssociations\\audio\\shell\\Tunebridge", folder + L"first song.mp3",
                  L"Tunebridge");
}

// Installs `selection` with the wizard, which must offer `folder`. False,
// and a failed scenario, when it offers another or anything else failed.
bool InstallInto(uint32_t selection, const std::wstring& folder) {
  return ExpectText(InstallWithWizard(selection), folder, "the folder installed into");
}

// Installs `selection` with the wizard, uninstalls it through its
// UninstallString and expects the machine as it was.
void FullCycle(uint32_t selection, const char* what, const wchar_t* screenshots) {
  Snapshot before = TakeSnapshot(kMachineAndUserState);
  if (!InstallInto(selection, kDefaultInstallDir)) return;
  std::wstring command = ReadValue(kUninstallKey, L"UninstallString").Text();
  ExpectText(command, std::wstring(L"\"") + kDefaultInstallDir + L"uninstall.exe\"", "UninstallString");
  UninstallRun run = RunUninstaller(command, true, screenshots);
  int n = Count(selection);
  ExpectText(run.closingText, std::wstring(kRemovedAll) + L"\n\n" + RemovedLine(n + 1, n, ValuesOf(selection), 2),
             "closing message");
  ExpectUnchanged(before, what);
}

}  // namespace

void ScenarioUninstallFull() { FullCycle(kAllComponents, "installing everything and uninstalling it", L"uninstall"); }

void ScenarioUninstallPartial() {
  FullCycle((1 << 1) | (1 << 4) | (1 << 6), "installing three components and uninstalling them", nullptr);
}

void ScenarioUninstallNo() {
  if (!InstallInto(kAllComponents, kDefaultInstallDir)) return;
  // The installed programs work (opening them through the shell sets some
  // of the shell's own state, so this comes before the snapshot).
  OpenWithThePrograms();
  Snapshot installed = TakeSnapshot(kMachineAndUserState);
  RunUninstaller(ReadValue(kUninstallKey, L"UninstallString").Text(), false);
  ExpectUnchanged(installed, "answering No");
}

void ScenarioUninstallTwoInstallations() {
  const std::wstring second = L"C:\\Program Files\\Second App Pack\\";
  if (!InstallInto(kAllComponents, kDefaultInstallDir)) return;
  std::wstring firstCommand = ReadValue(kUninstallKey, L"UninstallString").Text();
  // The second setup offers the folder AppPath names. Pointing it at another
  // folder stands for a user's pick in the folder picker, which Wine's
  // picker does not let a driver make beside the folder it preselects.
  if (!Expect(CreateDirectoryW(second.c_str(), nullptr) != FALSE, "%s created", Narrow(second).c_str()) ||
      !Expect(WriteText(L"Software\\Velunora", L"AppPath", REG_SZ, second), "AppPath names the second folder") ||
      !InstallInto(kAllComponents, second)) {
    return;
  }
  Snapshot installed = TakeSnapshot(kMachineAndUserState);

  UninstallRun run = RunUninstaller(firstCommand, true);
  ExpectText(run.closingText,
             std::wstring(kRemovedAll) + L"\n\n" + RemovedLine(9, 0, 0, 1) +
                 L"\n\nLeft for the installation that now uses them: 8 shortcuts and 28 registry values.",
             "closing message");
  // Only the first installation's folder and files are gone.
  std::vector<std::wstring> expected;
  for (const Component& c : kComponentTable) {
    expected.push_back(L"removed " + std::wstring(kDefaultInstallDir) + c.name + L".exe");
  }
  expected.push_back(L"removed " + std::wstring(kDefaultInstallDir) + kUninstallerFileName);
  expected.push_back(std::wstring(L"removed ") + kDefaultInstallDir);
  std::vector<std::wstring> changes = Differences(installed, TakeSnapshot(kMachineAndUserState));
  for (const std::wstring& change : changes) Note("%s", Narrow(change).c_str());
  std::sort(expected.begin(), expected.end());
  std::sort(changes.begin(), changes.end());
  Expect(changes == expected, "uninstalling the first removes its folder and its files, nothing else");
  ExpectInstallation(kAllComponents, second);
}

void ScenarioUninstallFileInUse() {
  Snapshot before = TakeSnapshot(kMachineAndUserState);
  if (!InstallInto(kAllComponents, kDefaultInstallDir)) return;
  std::wstring held = std::wstring(kDefaultInstallDir) + L"Wardbin.exe";
  // Another program holds it open and lets nobody else near it.
  HANDLE file = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (!Expect(file != INVALID_HANDLE_VALUE, "%s is held open", Narrow(held).c_str())) return;
  UninstallRun run = RunUninstaller(ReadValue(kUninstallKey, L"UninstallString").Text(), true);
  CloseHandle(file);
  ExpectAllRemovedBut(before, run, held, L"in use by another program", "the file in use");
}

// ---- Both editions ----

namespace {

// Windows gives every user these keys; Wine's fresh prefix does not, and the
// uninstallers rightly never remove them.
void CreateTheUsersSystemKeys() {
  for (const wchar_t* systemKey : {L"Software\\Classes", L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"}) {
    HKEY key;
    bool created = RegCreateKeyExW(HKEY_CURRENT_USER, systemKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
                   ERROR_SUCCESS;
    if (created) RegCloseKey(key);
    Expect(created, "HKCU\\%s exists", Narrow(systemKey).c_str());
  }
}

// `state` without what an installation added to `base` when it made
// `installed`.
Snapshot WithoutInstallation(Snapshot state, const Snapshot& installed, const Snapshot& base) {
  for (const auto& item : installed) {
    if (!base.count(item.first)) state.erase(item.first);
  }
  return state;
}

}  // namespace

void ScenarioSingleUser() {
  const EditionPlaces& user = SingleUser();
  CreateTheUsersSystemKeys();
  Snapshot machine = TakeSnapshot(kMachineState);
  Snapshot before = TakeSnapshot(kMachineAndUserState);
  PayloadView payload;
  if (!LoadPayload(&payload)) return;

  // Any user may start it (no administrator test, no elevation asked for),
  // and it offers the user's own programs folder.
  Setup setup;
  if (!Launch(&setup, user.setupPath.c_str())) return;
  ExpectText(ReadText(setup.frame), user.title, "frame title");
  GoToFolderPage(setup, false);
  HWND folder = setup.pages[kFolder];
  ExpectText(ControlText(folder, 1005), user.defaultInstallDir, "install folder");
  ExpectText(ControlText(folder, 1017), L"Space required:  3 MB", "space required");
  ::Screenshot(L"3-folder-single-user");
  std::vector<std::wstring> lines = InstallAndWait(setup, kFinishedStatus, false);
  Expect(lines == ExpectedLines(user.defaultInstallDir, Complete(kAllComponents), user), "details lines in order");
  Click(setup.pages[kProgress], 1);
  ExpectExit(&setup, "\"&Close\"");
  ExpectInstalled(payload, user.defaultInstallDir, Complete(kAllComponents), user);
  std::vector<std::wstring> machineChanges = Differences(machine, TakeSnapshot(kMachineState));
  for (const std::wstring& change : machineChanges) Note("%s", Narrow(change).c_str());
  Expect(machineChanges.empty(), "HKLM\\Software, Program Files and the all-users Start menu are as they were");

  // Its uninstaller, from the user's own Add/Remove Programs entry.
  std::wstring command = ReadValue(kUninstallKey, L"UninstallString", HKEY_CURRENT_USER).Text();
  ExpectText(command, L"\"" + user.defaultInstallDir + L"uninstall.exe\"", "the user's UninstallString");
  UninstallRun run = RunUninstaller(command, true);
  ExpectText(run.closingText, std::wstring(kRemovedAll) + L"\n\n" + RemovedLine(9, 8, 28, 2), "closing message");
  ExpectUnchanged(before, "installing and uninstalling the single-user edition");
}

void ScenarioBothEditions() {
  const EditionPlaces& user = SingleUser();
  const std::wstring closing = std::wstring(kRemovedAll) + L"\n\n" + RemovedLine(9, 8, 28, 2);
  CreateTheUsersSystemKeys();
  Snapshot before = TakeSnapshot(kMachineAndUserState);
  Expect(InstallWithWizard(kAllComponents) == kDefaultInstallDir, "setup.exe installs for all users");
  Snapshot machine = TakeSnapshot(kMachineAndUserState);
  Expect(InstallWithWizard(kAllComponents, user) == user.defaultInstallDir, "setup-user.exe installs beside it");

  // The user's uninstaller takes its own away: the machine's programs,
  // shortcuts and registrations stay as setup.exe wrote them, and are the
  // ones that apply again.
  UninstallRun userRun = RunUninstaller(ReadValue(kUninstallKey, L"UninstallString", HKEY_CURRENT_USER).Text(), true);
  ExpectText(userRun.closingText, closing, "the single-user uninstaller's closing message");
  ExpectUnchanged(machine, "uninstalling the single-user edition beside the all-users one");

  // The machine's uninstaller, with the user's installation beside it
  // again: what setup.exe added goes, everything of the user's stays.
  Expect(InstallWithWizard(kAllComponents, user) == user.defaultInstallDir, "setup-user.exe installs again");
  Snapshot both = TakeSnapshot(kMachineAndUserState);
  UninstallRun machineRun = RunUninstaller(ReadValue(kUninstallKey, L"UninstallString").Text(), true);
  ExpectText(machineRun.closingText, closing, "the all-users uninstaller's closing message");
  ExpectUnchanged(WithoutInstallation(both, machine, before), "uninstalling the all-users edition beside the user's");

  UninstallRun lastRun = RunUninstaller(ReadValue(kUninstallKey, L"UninstallString", HKEY_CURRENT_USER).Text(), true);
  ExpectText(lastRun.closingText, closing, "the single-user uninstaller's closing message");
  ExpectUnchanged(before, "installing and uninstalling both editions");
}

// The user's programs folder is a link of the user's to C:\Moved\Programs
// (prepare/single_user_moved_programs.sh). The single-user edition acts
// with the user's own rights, so its setup and its uninstaller both follow
// it; the uninstaller removes the installation and leaves the link.
void ScenarioSingleUserMovedPrograms() {
  const EditionPlaces& user = SingleUser();
  const std::wstring link = UserFolder(CSIDL_LOCAL_APPDATA) + L"Programs", moved = L"C:\\Moved\\Programs\\";
  if (!Expect(IsLinkedFolder(link) && IsFolder(moved) && !IsFolder(moved + L"Velunora"), "%s is a link to %s",
              Narrow(link).c_str(), Narrow(moved).c_str())) {
    return;
  }
  CreateTheUsersSystemKeys();
  Snapshot before = TakeSnapshot(kMachineAndUserState);
  if (!Expect(InstallWithWizard(kAllComponents, user) == user.defaultInstallDir, "setup-user.exe installs")) return;
  std::vector<std::wstring> names = {kUninstallerFileName};
  for (const Component& c : kComponentTable) names.push_back(std::wstring(c.name) + L".exe");
  std::sort(names.begin(), names.end());
  Expect(FolderEntries(moved + L"Velunora\\") == names, "the files lie in %sVelunora", Narrow(moved).c_str());

  UninstallRun run = RunUninstaller(ReadValue(kUninstallKey, L"UninstallString", HKEY_CURRENT_USER).Text(), true);
  ExpectText(run.closingText, std::wstring(kRemovedAll) + L"\n\n" + RemovedLine(9, 8, 28, 2), "closing message");
  ExpectUnchanged(before, "installing and uninstalling through the moved programs folder");
  Expect(!IsFolder(moved + L"Velunora") && IsLinkedFolder(link) && IsFolder(moved),
         "the Velunora folder is gone; the link and %s stay", Narrow(moved).c_str());
}

// An install folder named with letters outside the ANSI code page, which
// Wine writes a shortcut's stored path in: the shortcuts still lead into it,
// and the uninstaller knows them by their targets.
void ScenarioUninstallUnicodeFolder() {
  const std::wstring parent = L"C:\\Donn\u00e9es\\";
  const std::wstring folder = parent + L"\u65e5\u672c\u8a9e \u00dcn\u00ef\\";
  Snapshot before = TakeSnapshot(kMachineAndUserState);
  if (!Expect(CreateDirectoryW(parent.c_str(), nullptr) && CreateDirectoryW(folder.c_str(), nullptr),
              "the folder %s is made", Narrow(folder).c_str()) ||
      !Expect(WriteText(L"Software\\Velunora", L"AppPath", REG_SZ, folder), "AppPath names it") ||
      !InstallInto(kAllComponents, folder)) {
    return;
  }
  std::wstring command = ReadValue(kUninstallKey, L"UninstallString").Text();
  ExpectText(command, L"\"" + folder + L"uninstall.exe\"", "UninstallString");
  UninstallRun run = RunUninstaller(command, true);
  ExpectText(run.closingText, std::wstring(kRemovedAll) + L"\n\n" + RemovedLine(9, 8, 28, 2), "closing message");
  ExpectUnchanged(before, "installing into the folder and uninstalling");
  Expect(!IsFolder(folder) && IsFolder(parent), "the install folder is gone, the folder above it stays");
}

// The install folder replaced by a link to another folder once installed,
// as a junction a user made would do on Windows: Wine makes no junctions,
// but follows a symbolic link of the file system the same way, and reports
// where a file really is. setup.exe writes through no such link, so the
// host swaps the folder for one only when asked (prepare/
// uninstall_through_link.sh). The uninstaller started through the link
// deletes nothing: not what the other folder holds, not the registry
// values, not the shortcuts.
void ScenarioUninstallThroughLink() {
  const std::wstring folder = L"C:\\Apps\\Velunora\\", elsewhere = L"C:\\Elsewhere\\";
  const std::wstring request = L"C:\\swap-request", done = L"C:\\swap-done";
  if (!Expect(CreateDirectoryW(L"C:\\Apps", nullptr) && CreateDirectoryW(folder.c_str(), nullptr), "%s made",
              Narrow(folder).c_str()) ||
      !Expect(WriteText(L"Software\\Velunora", L"AppPath", REG_SZ, folder), "AppPath names it") ||
      !InstallInto(kAllComponents, folder) || !Expect(WriteFileBytes(request, "", 0), "the swap is asked for") ||
      !Expect(WaitUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }),
              "the host has swapped the folder for a link")) {
    return;
  }
  std::vector<std::wstring> files = FolderEntries(elsewhere);
  Expect(IsLinkedFolder(folder) && files.size() == kComponentCount + 1, "%s leads to %s, which holds the %u files",
         Narrow(folder).c_str(), Narrow(elsewhere).c_str(), unsigned(files.size()));
  Snapshot installed = TakeSnapshot(kMachineAndUserState);
  UninstallRun run = RunUninstaller(ReadValue(kUninstallKey, L"UninstallString").Text(), true);
  ExpectText(run.closingText, kNotTheUninstaller, "closing message");
  Expect(FolderEntries(elsewhere) == files, "every file the link leads to is still there");
  ExpectUnchanged(installed, "uninstalling through a link");
}

// No finishing copy can be made: the Windows folder's Temp is a file
// (prepare/uninstall_in_place.sh). The uninstaller removes what it can from
// where it runs, names itself as what is left, and leaves nothing to the
// next restart, which would delete a reinstallation's new uninstaller.
void ScenarioUninstallInPlace() {
  const std::wstring temp = WindowsTempFolder();
  const std::wstring uninstaller = std::wstring(kDefaultInstallDir) + kUninstallerFileName;
  const wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
  Snapshot before = TakeSnapshot(kMachineAndUserState);
  RegistryValue pendingBefore = ReadValue(kSessionManager, L"PendingFileRenameOperations");
  DWORD attributes = GetFileAttributesW(temp.substr(0, temp.size() - 1).c_str());
  if (!Expect(attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY), "%s is a file",
              Narrow(temp).c_str()) ||
      !InstallInto(kAllComponents, kDefaultInstallDir)) {
    return;
  }
  UninstallRun run = RunUninstaller(ReadValue(kUninstallKey, L"UninstallString").Text(), true);
  ExpectAllRemovedBut(before, run, uninstaller,
                      L"in use by the uninstaller itself; delete it once this message is closed", "the uninstaller");
  RegistryValue pending = ReadValue(kSessionManager, L"PendingFileRenameOperations");
  Expect(pending.present == pendingBefore.present && pending.data == pendingBefore.data,
         "nothing is left to the next restart");
}
