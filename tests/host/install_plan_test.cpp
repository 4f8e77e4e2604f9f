// The install steps' plan as data: run against recorders with scripted
// results, the steps must produce exactly the paths, details lines,
// registry rows, progress positions and final text of a real installation.
#include "install_steps.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "path_text.h"
#include "plan_recorder.h"

namespace {

// A payload table laid out as the packer lays it out: the license, then the
// programs and the uninstallers at their sizes, with distinct non-zero times
// for the programs.
struct Installation {
  ComponentSelection selected = kAllComponents;
  wchar_t installDir[kFolderUnits] = L"C:\\Program Files\\Velunora\\";
  wchar_t startMenuDir[kFolderUnits] = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Velunora\\";
  PayloadEntry entries[kPayloadEntryCount] = {};
  uint32_t errorCount = 0;
  const Edition* edition = &kAllUsersEdition;
  PlanRecorder recorder;

  Installation() {
    uint32_t sizes[kPayloadEntryCount] = {503};
    for (const Component& c : kComponentTable) sizes[c.payloadEntry] = c.bytes;
    for (const Uninstaller& u : kUninstallers) sizes[u.payloadEntry] = u.bytes;
    uint32_t offset = kPayloadTableSize;
    for (uint32_t i = 0; i < kPayloadEntryCount; ++i) {
      bool program = i >= 1 && i <= kComponentCount;
      entries[i] = {offset, sizes[i], {program ? 1000u + i : 0u, program ? 30000000u : 0u}};
      offset += sizes[i];
    }
  }

  uint32_t RequiredBytes() const {
    uint32_t sum = 0;
    for (uint32_t k = 0; k < kComponentCount; ++k) {
      if (IsSelected(selected, k)) sum += kComponentTable[k].bytes;
    }
    return sum ? sum + entries[edition->uninstallerEntry].size : 0;
  }

  bool associationsChanged = false;
  StepState State() {
    return {selected, installDir, startMenuDir, entries, RequiredBytes(), &errorCount, edition, &associationsChanged};
  }

  // The whole chain, one step after the other, each checked to leave the
  // folders as it found them.
  void Run() {
    StepState state = State();
    std::wstring install = installDir, startMenu = startMenuDir;
    for (uint32_t step = 0; step < kInstallStepCount; ++step) {
      PerformInstallStep(step, &state, recorder, recorder);
      ASSERT_EQ(std::wstring(installDir), install) << "after step " << step;
      ASSERT_EQ(std::wstring(startMenuDir), startMenu) << "after step " << step;
    }
  }
};

const std::string kInstall = "C:\\Program Files\\Velunora\\";
const std::string kStartMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Velunora\\";

const RegistryWrite* Find(const std::vector<RegistryWrite>& values, const std::string& key, const std::string& value) {
  for (const RegistryWrite& w : values) {
    if (w.key == key && w.value == value) return &w;
  }
  return nullptr;
}

// The write of `value` below `key`. A missing one fails the test and reads
// as an empty write, so the checks after it still run.
const RegistryWrite& Written(const std::vector<RegistryWrite>& values, const std::string& key,
                             const std::string& value) {
  static const RegistryWrite kNone = {};
  const RegistryWrite* w = Find(values, key, value);
  if (w) return *w;
  ADD_FAILURE() << "no write of " << key << "|" << value;
  return kNone;
}

// The last thing recorded; a failure of the test when there is none.
std::string Last(const std::vector<std::string>& recorded) {
  if (!recorded.empty()) return recorded.back();
  ADD_FAILURE() << "nothing recorded";
  return "";
}

TEST(InstallPlan, AllEightComponents) {
  Installation i;
  ASSERT_NO_FATAL_FAILURE(i.Run());
  const char* names[] = {"Talvex",     "Glimmerdex", "Veilcrafter", "Frolix",
                         "Tunebridge", "Notelocker", "Wardbin",     "Drifthub"};
  std::vector<std::string> lines;
  for (const char* name : names) {
    lines.push_back(kInstall + name + ".exe");
    lines.push_back(kStartMenu + name + ".lnk");
  }
  lines.push_back(kInstall + "uninstall.exe");
  EXPECT_EQ(i.recorder.lines, lines);
  EXPECT_EQ(i.recorder.progress, (std::vector<uint32_t>{11, 22, 33, 44, 55, 66, 77, 88, 100}));
  EXPECT_EQ(i.recorder.posted, (std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(Last(i.recorder.status), "Installation completed successfully.");
  EXPECT_TRUE(i.recorder.finished);
  EXPECT_EQ(i.errorCount, 0u);

  // Programs carry their stored times; the uninstaller has none.
  ASSERT_EQ(i.recorder.files.size(), 9u);
  EXPECT_EQ(i.recorder.files[0], kInstall + "Talvex.exe@635+1001");
  EXPECT_EQ(i.recorder.files[8], kInstall + "uninstall.exe@2344571");
  ASSERT_EQ(i.recorder.shortcuts.size(), 8u);
  EXPECT_EQ(i.recorder.shortcuts[4], kStartMenu + "Tunebridge.lnk -> " + kInstall + "Tunebridge.exe");

  // 19 registration values, AppPath, and the 8 Add/Remove Programs values.
  ASSERT_EQ(i.recorder.values.size(), 19u + 1u + 8u);
  const std::string tunebridge = kInstall + "Tunebridge.exe";
  const RegistryWrite* w = Find(i.recorder.values, "Software\\Classes\\Directory\\shell\\Tunebridge\\command", "");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->text, "\"" + tunebridge + "\" \"%1\"");
  EXPECT_EQ(w->bytes, 2 * (w->text.size() + 1));
  w = Find(i.recorder.values, "Software\\Classes\\Notelocker.Document\\DefaultIcon", "");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->text, kInstall + "Notelocker.exe,0");
  w = Find(i.recorder.values, "Software\\Velunora", "AppPath");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->text, kInstall);  // the folder with its backslash, not the uninstaller
  EXPECT_EQ(w->bytes, 2 * (kInstall.size() + 1));

  const std::string arp = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velunora";
  std::vector<std::string> order;
  for (const RegistryWrite& v : i.recorder.values) {
    if (v.key == arp) order.push_back(v.value);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"DisplayIcon", "DisplayName", "DisplayVersion", "Publisher",
                                             "UninstallString", "EstimatedSize", "NoModify", "NoRepair"}));
  EXPECT_EQ(Written(i.recorder.values, arp, "EstimatedSize").number, 2396u);
  EXPECT_EQ(Written(i.recorder.values, arp, "DisplayIcon").text, kInstall + "uninstall.exe,0");
  EXPECT_EQ(Written(i.recorder.values, arp, "UninstallString").text, "\"" + kInstall + "uninstall.exe\"");
  EXPECT_EQ(Written(i.recorder.values, arp, "DisplayName").bytes, 60u);
  EXPECT_EQ(Written(i.recorder.values, arp, "NoRepair").number, 1u);
  // AppPath goes before the uninstaller is written, the entry after it.
  EXPECT_EQ(i.recorder.values[19].value, "AppPath");
}

TEST(InstallPlan, OnlyTalvexStillMovesTheBarAndKeepsItsName) {
  Installation i;
  i.selected = 1;
  ASSERT_NO_FATAL_FAILURE(i.Run());
  EXPECT_EQ(i.recorder.lines,
            (std::vector<std::string>{kInstall + "Talvex.exe", kStartMenu + "Talvex.lnk", kInstall + "uninstall.exe"}));
  EXPECT_EQ(i.recorder.status, (std::vector<std::string>{"Talvex", "Installation completed successfully."}));
  EXPECT_EQ(i.recorder.progress, (std::vector<uint32_t>{11, 22, 33, 44, 55, 66, 77, 88, 100}));
  ASSERT_EQ(i.recorder.values.size(), 1u + 8u);
  EXPECT_EQ(
      Written(i.recorder.values, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velunora", "EstimatedSize")
          .number,
      (184320u + 109568u) >> 10);
}

TEST(InstallPlan, OnlyTunebridgeEstimates316Kilobytes) {
  Installation i;
  i.selected = 1 << 4;
  ASSERT_NO_FATAL_FAILURE(i.Run());
  EXPECT_EQ(
      Written(i.recorder.values, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velunora", "EstimatedSize")
          .number,
      316u);
  EXPECT_EQ(i.recorder.values.size(), 4u + 1u + 8u);
}

TEST(InstallPlan, AFailedProgramWriteSkipsItsShortcutAndRegistration) {
  Installation i;
  i.selected = (1 << 4) | (1 << 5);  // Tunebridge fails, Notelocker follows
  i.recorder.failingEntryWrites = {0};
  ASSERT_NO_FATAL_FAILURE(i.Run());
  EXPECT_EQ(i.recorder.lines,
            (std::vector<std::string>{kInstall + "Tunebridge.exe", "ERROR: Write failed.", kInstall + "Notelocker.exe",
                                      kStartMenu + "Notelocker.lnk", kInstall + "uninstall.exe"}));
  EXPECT_EQ(i.recorder.shortcuts.size(), 1u);
  EXPECT_EQ(Find(i.recorder.values, "Software\\Classes\\Directory\\shell\\Tunebridge", ""), nullptr);
  EXPECT_NE(Find(i.recorder.values, "Software\\Classes\\.ntxt", ""), nullptr);
  EXPECT_EQ(i.errorCount, 1u);
  EXPECT_EQ(Last(i.recorder.status), "Installation failed.");
  EXPECT_EQ(i.recorder.progress, (std::vector<uint32_t>{11, 22, 33, 44, 55, 66, 77, 88, 100}));
}

TEST(InstallPlan, AFailedShortcutStillRegisters) {
  Installation i;
  i.selected = 1 << 6;
  i.recorder.failingShortcuts = {0};
  ASSERT_NO_FATAL_FAILURE(i.Run());
  EXPECT_EQ(i.recorder.lines, (std::vector<std::string>{kInstall + "Wardbin.exe", kStartMenu + "Wardbin.lnk",
                                                        "ERROR: Write failed.", kInstall + "uninstall.exe"}));
  EXPECT_NE(Find(i.recorder.values, "Software\\Classes\\Wardbin.File\\shell\\open\\command", ""), nullptr);
  EXPECT_EQ(Last(i.recorder.status), "Installation failed.");
}

TEST(InstallPlan, AFailedRegistryWriteIsNamedAndCounted) {
  Installation i;
  i.selected = 1 << 7;
  i.recorder.failingValues = {"Software\\Classes\\.dft|"};
  ASSERT_NO_FATAL_FAILURE(i.Run());
  EXPECT_EQ(i.recorder.lines, (std::vector<std::string>{kInstall + "Drifthub.exe", kStartMenu + "Drifthub.lnk",
                                                        "HKEY_LOCAL_MACHINE\\Software\\Classes\\.dft",
                                                        "ERROR: Write failed.", kInstall + "uninstall.exe"}));
  // The other values of the step are still written.
  EXPECT_NE(Find(i.recorder.values, "Software\\Classes\\Drifthub.File\\shell\\open\\command", ""), nullptr);
  EXPECT_EQ(i.errorCount, 1u);
  EXPECT_EQ(Last(i.recorder.status), "Installation failed.");
}

TEST(InstallPlan, AFailedUninstallerWriteLeavesNoUninstallEntry) {
  Installation i;
  i.selected = 1;
  i.recorder.failingEntryWrites = {1};
  ASSERT_NO_FATAL_FAILURE(i.Run());
  EXPECT_EQ(Last(i.recorder.lines), "ERROR: Write failed.");
  EXPECT_NE(Find(i.recorder.values, "Software\\Velunora", "AppPath"), nullptr);
  EXPECT_EQ(i.recorder.values.size(), 1u);
  EXPECT_EQ(Last(i.recorder.status), "Installation failed.");
}

TEST(InstallPlan, NothingSelectedWritesNothing) {
  Installation i;
  i.selected = 0;
  ASSERT_NO_FATAL_FAILURE(i.Run());
  EXPECT_TRUE(i.recorder.lines.empty());
  EXPECT_TRUE(i.recorder.values.empty());
  EXPECT_TRUE(i.recorder.files.empty());
  EXPECT_EQ(i.recorder.status, (std::vector<std::string>{"Installation completed successfully."}));

  // With errors counted before the last step, its text follows them alone.
  Installation j;
  j.selected = 0;
  j.errorCount = 2;
  ASSERT_NO_FATAL_FAILURE(j.Run());
  EXPECT_EQ(j.recorder.status, (std::vector<std::string>{"Installation failed."}));
  EXPECT_TRUE(j.recorder.finished);
}

// The shell splits an unquoted command at the first blank, so a program
// below "Program Files" would run "C:\Program" instead: every command line
// written must quote the program it names, and that program must be a file
// the installation wrote.
TEST(InstallPlan, EveryCommandLineQuotesItsProgram) {
  Installation i;
  ASSERT_NO_FATAL_FAILURE(i.Run());
  std::set<std::string> written;
  for (const std::string& file : i.recorder.files) written.insert(file.substr(0, file.find('@')));
  int commands = 0;
  for (const RegistryWrite& w : i.recorder.values) {
    bool isCommand =
        w.value == "UninstallString" || (w.key.size() > 8 && w.key.compare(w.key.size() - 8, 8, "\\command") == 0);
    if (!isCommand) continue;
    ++commands;
    size_t close = w.text.find('"', 1);
    ASSERT_TRUE(w.text[0] == '"' && close != std::string::npos) << w.key << ": " << w.text;
    EXPECT_EQ(written.count(w.text.substr(1, close - 1)), 1u) << w.key << ": " << w.text;
    std::string rest = w.text.substr(close + 1);
    EXPECT_TRUE(rest.empty() || rest == " \"%1\"") << w.key << ": " << w.text;
  }
  EXPECT_EQ(commands, 6);  // two verbs, three file types, the uninstaller
}

// What setup-user.exe writes differently: the single-user uninstaller
// (entry 10) counted and written, its title, and its root in the details.
TEST(InstallPlan, TheSingleUserEditionWritesItsOwnUninstallerAndTitle) {
  Installation i;
  i.edition = &kSingleUserEdition;
  const std::string install = "C:\\users\\ann\\AppData\\Local\\Programs\\Velunora\\";
  std::wcscpy(i.installDir, L"C:\\users\\ann\\AppData\\Local\\Programs\\Velunora\\");
  i.selected = 1;
  i.recorder.failingValues = {"Software\\Velunora|AppPath"};
  i.Run();
  EXPECT_EQ(i.recorder.files.back(), install + "uninstall.exe@2454139");
  EXPECT_EQ(i.recorder.lines, (std::vector<std::string>{install + "Talvex.exe", kStartMenu + "Talvex.lnk",
                                                        "HKEY_CURRENT_USER\\Software\\Velunora", "ERROR: Write failed.",
                                                        install + "uninstall.exe"}));
  const std::string arp = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velunora";
  const RegistryWrite* name = Find(i.recorder.values, arp, "DisplayName");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->text, "Velunora App Pack (Single User)");
  EXPECT_EQ(name->bytes, 64u);
  const RegistryWrite* size = Find(i.recorder.values, arp, "EstimatedSize");
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->number, (184320u + 109056u) >> 10);
}

TEST(InstallPlan, AStepNumberBeyondTheLastDoesNothing) {
  Installation i;
  StepState state = i.State();
  PerformInstallStep(9, &state, i.recorder, i.recorder);
  PerformInstallStep(0xFFFFFFFFu, &state, i.recorder, i.recorder);
  EXPECT_TRUE(i.recorder.progress.empty());
  EXPECT_TRUE(i.recorder.posted.empty());
  EXPECT_TRUE(i.recorder.status.empty());
}

// Explorer is told that file types changed once, after the last step, and
// only when a component with shell registrations (the fifth to the eighth)
// was installed.
TEST(InstallPlan, ExplorerIsToldOnceAfterShellRegistrations) {
  struct Case {
    ComponentSelection selected;
    uint32_t announcements;
  } cases[] = {{kAllComponents, 1}, {1u << 0 | 1u << 3, 0}, {1u << 4, 1}, {0, 0}};
  for (const Case& c : cases) {
    Installation i;
    i.selected = c.selected;
    StepState state = i.State();
    for (uint32_t step = 0; step < kFinalStep; ++step) PerformInstallStep(step, &state, i.recorder, i.recorder);
    EXPECT_EQ(i.recorder.announcements, 0u) << "before the last step, selection " << c.selected;
    PerformInstallStep(kFinalStep, &state, i.recorder, i.recorder);
    EXPECT_EQ(i.recorder.announcements, c.announcements) << "selection " << c.selected;
  }
}

}  // namespace
