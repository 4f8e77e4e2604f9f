// The wizard when the machine works against it: a drive that fills up, a
// program file held open by another program, a file where the Start-menu
// folder belongs, unusable AppPath values, twenty installations in a row, and
// folders and links that a standard user controls.
#include "fault_scenarios.h"

#include <windows.h>

#include <string>
#include <vector>

#include "expect.h"
#include "scenario_steps.h"
#include "scenarios.h"
#include "system_state.h"
#include "ui.h"

namespace {

const wchar_t kAppPathKey[] = L"Software\\Velunora";

// Writes a new file holding `contents`; false when it cannot be written
// whole (it exists already, or the drive is full).
bool PlaceFile(const std::wstring& path, const std::string& contents) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, contents.data(), DWORD(contents.size()), &written, nullptr) && written == contents.size();
  CloseHandle(file);
  return ok;
}

// Another program's file of `bytes` zero bytes, filling the drive.
bool WriteFiller(const std::wstring& path, uint64_t bytes) { return PlaceFile(path, std::string(size_t(bytes), '\0')); }

// The bytes a file of `size` takes on the drive: whole clusters.
uint64_t ClusterRounded(const wchar_t* root, uint64_t size) {
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters);
  uint64_t cluster = uint64_t(sectorsPerCluster) * bytesPerSector;
  if (cluster == 0) cluster = 4096;
  return (size + cluster - 1) / cluster * cluster;
}

std::wstring MegabyteText(const wchar_t* label, uint64_t megabytes) {
  return label + std::to_wstring(megabytes) + L" MB";
}

// The whole App Pack into the default folder: the details list, the final
// text, the exit code and everything the outcome says was installed.
void InstallEverything(const PayloadView& payload, const Outcome& outcome, const char* what) {
  Setup setup;
  if (!Launch(&setup)) return;
  GoToFolderPage(setup, false);
  const wchar_t* finalText =
      outcome.programs == outcome.selection && outcome.shortcuts == outcome.selection && outcome.uninstaller
          ? kFinishedStatus
          : kFailedStatus;
  std::vector<std::wstring> lines = InstallAndWait(setup, finalText, true);
  Expect(lines == ExpectedLines(kDefaultInstallDir, outcome), "details lines: %s", what);
  Click(setup.pages[kProgress], 1);
  ExpectExit(&setup, "\"&Close\"");
  ExpectInstalled(payload, kDefaultInstallDir, outcome);
}

bool HoldsExactly(const std::wstring& path, const std::string& contents) {
  std::vector<BYTE> bytes;
  return ReadFileBytes(path, &bytes) && std::string(bytes.begin(), bytes.end()) == contents;
}

}  // namespace

// D: is a 3 MiB tmpfs mounted for this scenario (tests/e2e/prepare/), so
// the free space the wizard shows and the writes that fail are the real
// ones of a small drive.
void ScenarioDiskFull() {
  PayloadView payload;
  if (!LoadPayload(&payload)) return;
  const wchar_t kRoot[] = L"D:\\";
  const std::wstring installDir = L"D:\\Velunora\\";
  Note("D: has %llu bytes free before the scenario", FreeBytes(kRoot));
  if (!Expect(CreateDirectoryW(L"D:\\Velunora", nullptr) != FALSE, "D:\\Velunora created on the small drive") ||
      !Expect(WriteText(kAppPathKey, L"AppPath", REG_SZ, L"D:\\Velunora"), "AppPath names D:\\Velunora")) {
    return;
  }

  // Another program takes 1 MiB: the whole App Pack no longer fits.
  Expect(WriteFiller(L"D:\\other-1.bin", 1 << 20), "1 MiB of D: taken by another file");
  uint64_t free = FreeBytes(kRoot);
  Setup setup;
  if (!Launch(&setup)) return;
  GoToFolderPage(setup, false);
  HWND folder = setup.pages[kFolder];
  ExpectText(ControlText(folder, 1005), installDir, "install folder: the recorded one on D:");
  ExpectText(ControlText(folder, 1016), MegabyteText(L"Space available: ", free >> 20),
             "space available: D:'s real free space");
  ExpectText(ControlText(folder, 1017), L"Space required:  3 MB", "space required: all eight");
  Expect(RequiredBytes(kAllComponents) >= free && !IsEnabled(folder, 1),
         "\"&Install\" disabled: %u bytes needed, %llu free", RequiredBytes(kAllComponents), free);
  Screenshot(L"3-folder-too-small");

  // Without the three largest programs the selection fits.
  const uint32_t selection = kAllComponents & ~(1u << 2 | 1u << 3 | 1u << 6);
  Click(folder, 3);
  ExpectPageShown(setup, kComponents, "components, after \"< &Back\"");
  for (int k : {2, 3, 6}) Toggle(setup.pages[kComponents], IDC_COMPONENT_FIRST + k);
  Click(setup.pages[kComponents], 1);
  ExpectPageShown(setup, kFolder, "folder");
  ExpectText(ControlText(folder, 1017), MegabyteText(L"Space required:  ", (RequiredBytes(selection) + 0xFFFFF) >> 20),
             "space required: five components");
  Expect(RequiredBytes(selection) < free && IsEnabled(folder, 1), "\"&Install\" enabled: %u bytes needed, %llu free",
         RequiredBytes(selection), free);
  Screenshot(L"3-folder-fits");

  // Then the drive fills while the wizard waits: room is left for Talvex,
  // Glimmerdex and 100 KiB, so Tunebridge is the first write to fail, and
  // every write after it finds the drive full.
  uint64_t room =
      ClusterRounded(kRoot, kComponentTable[0].bytes) + ClusterRounded(kRoot, kComponentTable[1].bytes) + 100 * 1024;
  uint64_t before = FreeBytes(kRoot);
  if (!Expect(before > room && WriteFiller(L"D:\\other-2.bin", before - room), "D: filled to leave %llu bytes", room))
    return;
  Note("D: has %llu bytes free when \"&Install\" is clicked", FreeBytes(kRoot));
  std::vector<std::wstring> lines = InstallAndWait(setup, kFailedStatus, true);
  const uint32_t written = 1u << 0 | 1u << 1;
  const Outcome outcome = {selection, written, written, false, selection & ~written};
  Expect(lines == ExpectedLines(installDir, outcome), "details lines: each write after the drive filled has failed");
  Click(setup.pages[kProgress], 1);
  ExpectExit(&setup, "\"&Close\"");
  ExpectInstalled(payload, installDir, outcome);
  // Failed writes keep what they wrote; nothing is deleted.
  for (const std::wstring& name : FolderEntries(installDir)) {
    WIN32_FILE_ATTRIBUTE_DATA info = {};
    GetFileAttributesExW((installDir + name).c_str(), GetFileExInfoStandard, &info);
    Note("left on D:: %s, %lu bytes", Narrow(name).c_str(), info.nFileSizeLow);
  }
}

void ScenarioLockedFile() {
  PayloadView payload;
  if (!LoadPayload(&payload)) return;
  // Another program holds Frolix.exe open without sharing while the wizard runs.
  const std::wstring locked = std::wstring(kDefaultInstallDir) + L"Frolix.exe";
  const char kContents[] = "Frolix.exe as another program holds it";
  CreateDirectoryW(L"C:\\Program Files\\Velunora", nullptr);
  HANDLE file =
      CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!Expect(file != INVALID_HANDLE_VALUE, "%s held open without sharing", Narrow(locked).c_str())) return;
  DWORD written = 0;
  if (!Expect(WriteFile(file, kContents, sizeof kContents - 1, &written, nullptr) && written == sizeof kContents - 1,
              "the held file has its contents")) {
    CloseHandle(file);
    return;
  }

  const uint32_t frolix = 1u << 3;
  const uint32_t others = kAllComponents & ~frolix;
  InstallEverything(payload, {kAllComponents, others, others, true, frolix}, "Frolix fails, the rest installs");
  CloseHandle(file);
  Expect(HoldsExactly(locked, kContents), "the locked file is as its program left it");
}

void ScenarioBlockedStartMenu() {
  PayloadView payload;
  if (!LoadPayload(&payload)) return;
  std::wstring blocker = kShortcutDir;
  blocker.pop_back();  // ...\Programs\Velunora, a file instead of a folder
  const char kContents[] = "not a folder";
  if (!Expect(PlaceFile(blocker, kContents), "a file stands at %s", Narrow(blocker).c_str())) return;
  InstallEverything(payload, {kAllComponents, kAllComponents, 0, true, 0}, "every shortcut fails, nothing else");
  Expect(!IsFolder(blocker) && HoldsExactly(blocker, kContents), "the file in the way is left as it was");
}

void ScenarioBadAppPath() {
  // Two folders whose paths are 235 and 236 characters long: only 235 fit
  // the 472 bytes that are read with the terminator.
  std::wstring outer = L"C:\\" + std::wstring(120, L'L');
  std::wstring fits = outer + L"\\" + std::wstring(111, L'M');
  std::wstring tooLong = outer + L"\\" + std::wstring(112, L'N');
  CreateDirectoryW(outer.c_str(), nullptr);
  CreateDirectoryW(fits.c_str(), nullptr);
  CreateDirectoryW(tooLong.c_str(), nullptr);
  if (!Expect(fits.size() == 235 && tooLong.size() == 236 && IsFolder(fits) && IsFolder(tooLong),
              "folders of 235 and 236 characters exist")) {
    return;
  }
  const std::wstring file = L"C:\\velunora-notes.txt";
  if (!Expect(PlaceFile(file, "a file, not a folder"), "a file stands at %s", Narrow(file).c_str())) return;

  struct Value {
    const char* what;
    DWORD type;
    std::wstring text;
    std::wstring offered;
  } values[] = {
      {"a file", REG_SZ, file, kDefaultInstallDir},
      {"a missing folder", REG_SZ, L"C:\\Missing\\Velunora", kDefaultInstallDir},
      {"a folder of 236 characters", REG_SZ, tooLong, kDefaultInstallDir},
      {"a number", REG_DWORD, L"", kDefaultInstallDir},
      {"a folder of 235 characters, which is used", REG_SZ, fits, fits + L"\\"},
  };
  for (const Value& value : values) {
    // The default folder is also what a failed write would give.
    DWORD number = 2308;
    bool written = value.type == REG_DWORD ? WriteBytes(kAppPathKey, L"AppPath", REG_DWORD, &number, sizeof number)
                                           : WriteText(kAppPathKey, L"AppPath", value.type, value.text);
    if (!Expect(written, "AppPath set to %s", value.what)) return;
    Setup setup;
    if (!Launch(&setup)) return;
    GoToFolderPage(setup, false);
    ExpectText(ControlText(setup.pages[kFolder], 1005), value.offered, value.what);
    Expect(!FindOwnedDialog(setup.process.dwProcessId, setup.frame), "%s: no message", value.what);
    Click(setup.pages[kFolder], 2);
    ExpectExit(&setup, "Cancel");
  }
}

// Each run installs everything again over the last one; none may differ.
void ScenarioRepetition() {
  PayloadView payload;
  if (!LoadPayload(&payload)) return;
  constexpr int kRuns = 20;
  const std::vector<std::wstring> expected = ExpectedLines(kDefaultInstallDir, Complete(kAllComponents));
  Snapshot first;
  Setup setup;
  StartSetup(kSetupPath, &setup);
  for (int run = 1; run <= kRuns; ++run) {
    if (!Expect(WaitForWizard(&setup), "run %d: setup.exe shows its wizard", run)) return;
    GoToFolderPage(setup, false);
    std::vector<std::wstring> lines = InstallAndWait(setup, kFinishedStatus, false);
    Expect(lines == expected, "run %d: the details list", run);
    Click(setup.pages[kProgress], 1);
    if (!ExpectExit(&setup, "\"&Close\"")) return;
    // The next run starts while this one's results are read: setup.exe
    // writes nothing before "&Install" is clicked.
    if (run < kRuns) StartSetup(kSetupPath, &setup);
    // Contents, not times: uninstall.exe and the shortcuts carry the time of writing.
    Snapshot now = TakeSnapshot(kMachineState, kContents);
    if (run == 1) {
      ExpectInstalled(payload, kDefaultInstallDir, Complete(kAllComponents));
      first = now;
      continue;
    }
    std::vector<std::wstring> changes = Differences(first, now);
    for (const std::wstring& change : changes) Note("%s", Narrow(change).c_str());
    Expect(changes.empty(), "run %d: the same files and registry values as run 1", run);
  }
}

// An existing install folder that every user may change, holding a file of
// a user's and an earlier installation's Talvex.exe that every user may
// change too (prepare/open_folder.sh; Wine reads permission bits 0777 back
// as an Everyone entry with every right). AppPath names it, as a pick in
// the folder picker would. Afterwards only administrators may change the
// folder and each program, the rewritten one included, and the user's file
// keeps its own permissions: nothing is handed down to what the folder
// already held.
void ScenarioOpenFolder() {
  const std::wstring folder = L"C:\\Apps\\", notes = folder + L"notes.txt";
  const std::wstring notesDacl = DaclText(notes);
  Note("DACL of %s: %s", Narrow(folder).c_str(), Narrow(DaclText(folder)).c_str());
  Note("DACL of %s: %s", Narrow(notes).c_str(), Narrow(notesDacl).c_str());
  std::string entry;
  if (!Expect(AnyoneMayChange(folder, &entry) && AnyoneMayChange(notes, &entry) &&
                  AnyoneMayChange(folder + L"Talvex.exe", &entry),
              "every user may change %s and what it holds", Narrow(folder).c_str()) ||
      !Expect(WriteText(kAppPathKey, L"AppPath", REG_SZ, folder), "AppPath names %s", Narrow(folder).c_str()) ||
      !ExpectText(InstallWithWizard(kAllComponents), folder, "the folder installed into")) {
    return;
  }
  std::vector<std::wstring> secured = {folder, folder + kUninstallerFileName};
  for (const Component& c : kComponentTable) secured.push_back(folder + c.name + L".exe");
  for (const std::wstring& path : secured) {
    bool open = AnyoneMayChange(path, &entry);
    Expect(!open, "only administrators may change %s%s", Narrow(path).c_str(), open ? (": " + entry).c_str() : "");
  }
  ExpectText(DaclText(notes), notesDacl, "DACL of the user's file");
}

// C:\Linked is a link a standard user made to C:\Target
// (prepare/link_above_folder.sh). Setup refuses to write through it: not
// the install folder it would make below it, not a file.
void ScenarioLinkAboveFolder() {
  PayloadView payload;
  if (!LoadPayload(&payload)) return;
  const std::wstring folder = L"C:\\Linked\\Velunora\\", target = L"C:\\Target\\";
  // AppPath is offered only while its folder exists; the folder goes again
  // before "&Install", so that setup has to make it itself.
  if (!Expect(IsLinkedFolder(L"C:\\Linked") && FolderEntries(target).empty(), "C:\\Linked is a link to the empty %s",
              Narrow(target).c_str()) ||
      !Expect(CreateDirectoryW(folder.c_str(), nullptr) && WriteText(kAppPathKey, L"AppPath", REG_SZ, folder),
              "AppPath names %s, made for the moment", Narrow(folder).c_str())) {
    return;
  }
  Setup setup;
  if (!Launch(&setup)) return;
  GoToFolderPage(setup, false);
  ExpectText(ControlText(setup.pages[kFolder], 1005), folder, "install folder");
  Expect(RemoveDirectoryW(folder.c_str()) && FolderEntries(target).empty(), "%s is empty again",
         Narrow(target).c_str());
  const Outcome refused = {kAllComponents, 0, 0, false, 0};
  std::vector<std::wstring> lines = InstallAndWait(setup, kFailedStatus, true);
  Expect(lines == ExpectedLines(folder, refused), "details lines: every file refused");
  Click(setup.pages[kProgress], 1);
  ExpectExit(&setup, "\"&Close\"");
  ExpectInstalled(payload, folder, refused);
  std::vector<std::wstring> written = FolderEntries(target);
  for (const std::wstring& name : written) Note("in %s: %s", Narrow(target).c_str(), Narrow(name).c_str());
  Expect(written.empty(), "nothing was written into %s", Narrow(target).c_str());
}
