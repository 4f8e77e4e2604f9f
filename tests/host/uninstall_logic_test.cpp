// The uninstaller's decisions as data: what it reads back is held against
// what setup.exe's own install plan writes, for its folder and for another.
#include "uninstall_logic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "install_steps.h"
#include "plan_recorder.h"

namespace {

const wchar_t kFolder[] = L"C:\\Program Files\\Velunora\\";
const wchar_t kUninstaller[] = L"C:\\Program Files\\Velunora\\uninstall.exe";
const Installation kOurs = {kFolder, kUninstaller, &kAllUsersEdition};

TEST(UninstallPaths, CompareAsTheFileSystemDoes) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    bool same;
  } cases[] = {
      {L"C:\\Program Files\\Velunora\\", L"c:\\PROGRAM FILES\\velunora\\", true},
      {L"C:\\Program Files\\Velunora\\", L"C:/Program Files/Velunora/", true},
      {L"C:\\Program Files\\Velunora\\", L"C:\\Program Files\\Velunora", true},  // trailing separator
      {L"C:\\Apps\\\\Velunora\\x.exe", L"C:\\Apps\\Velunora\\x.exe", true},      // a run counts as one
      {L"C:\\Programme\\\u00c9t\u00e9\\", L"C:\\programme\\\u00e9T\u00c9\\", true},
      {L"C:\\\u0141\u00f3d\u017a\\", L"C:\\\u0142\u00d3D\u0179\\", true},
      {L"C:\\\u041f\u0440\u043e\u0433\\", L"C:\\\u043f\u0420\u041e\u0413\\", true},
      {L"C:\\Apps\\Velunora\\", L"C:\\Apps\\Velunora Two\\", false},
      {L"C:\\Apps\\Velunora\\", L"C:\\Apps\\Velunor\\", false},
      {L"C:\\Apps\\Velunora\\", L"D:\\Apps\\Velunora\\", false},
      {L"\\\\server\\share\\Apps\\", L"\\server\\share\\Apps\\", false},  // a share is no rooted path
      {L"\\\\server\\share\\Apps\\", L"//SERVER/share/apps", true},
      {L"C:\\a\\b", L"C:\\ab", false},
      {L"", L"", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SamePath(c.a, c.b), c.same) << Narrow(c.a) << " vs " << Narrow(c.b);
    EXPECT_EQ(SamePath(c.b, c.a), c.same) << Narrow(c.b) << " vs " << Narrow(c.a);
  }
}

TEST(UninstallPaths, AProgramIsInAFolderOnlyDirectly) {
  EXPECT_TRUE(IsInFolder(L"C:\\Program Files\\Velunora\\Talvex.exe", kFolder));
  EXPECT_TRUE(IsInFolder(L"c:/program files/velunora/Talvex.exe", kFolder));
  EXPECT_TRUE(IsInFolder(L"C:\\Program Files\\Velunora\\Talvex.exe", L"C:\\Program Files\\Velunora"));
  EXPECT_FALSE(IsInFolder(L"C:\\Program Files\\Velunora\\bin\\Talvex.exe", kFolder));
  EXPECT_FALSE(IsInFolder(L"C:\\Program Files\\Velunora Two\\Talvex.exe", kFolder));
  EXPECT_FALSE(IsInFolder(L"C:\\Program Files\\Talvex.exe", kFolder));
  EXPECT_FALSE(IsInFolder(L"C:\\Program Files\\Velunora\\", kFolder));  // the folder itself
  EXPECT_FALSE(IsInFolder(L"Talvex.exe", kFolder));

  wchar_t folder[kFolderUnits];
  ASSERT_TRUE(FolderOfPath(kUninstaller, folder, kFolderUnits));
  EXPECT_EQ(std::wstring(folder), kFolder);
  EXPECT_FALSE(FolderOfPath(L"uninstall.exe", folder, kFolderUnits));
  EXPECT_FALSE(FolderOfPath(kUninstaller, folder, 10));
  EXPECT_EQ(folder[0], 0);
}

TEST(UninstallPaths, AFinalPathIsThePathOnlyWhereTheSystemFoundIt) {
  struct Case {
    const wchar_t* finalPath;
    const wchar_t* path;
    bool same;
  } cases[] = {
      {L"\\\\?\\C:\\Program Files\\Velunora\\Talvex.exe", L"c:\\program files\\velunora\\TALVEX.EXE", true},
      {L"\\\\?\\C:\\Program Files\\Velunora", L"C:\\Program Files\\Velunora\\", true},
      {L"\\\\?\\UNC\\server\\share\\Apps\\x.exe", L"\\\\server\\share\\Apps\\x.exe", true},
      // The folder on the way is a link: the file is elsewhere.
      {L"\\\\?\\C:\\Windows\\System32\\Talvex.exe", L"C:\\Apps\\Velunora\\Talvex.exe", false},
      {L"\\\\?\\D:\\Apps\\x.exe", L"C:\\Apps\\x.exe", false},
      {L"\\\\?\\UNC\\server\\share\\x.exe", L"C:\\server\\share\\x.exe", false},
      {L"\\\\?\\C:\\server\\share\\x.exe", L"\\\\server\\share\\x.exe", false},
      {L"\\\\?\\Volume{0c3b}\\Apps\\x.exe", L"Volume{0c3b}\\Apps\\x.exe", false},
      {L"C:\\Apps\\x.exe", L"C:\\Apps\\x.exe", false},  // not as the system reports it
  };
  for (const Case& c : cases) EXPECT_EQ(IsFinalPathOf(c.finalPath, c.path), c.same) << Narrow(c.finalPath);
}

TEST(UninstallPaths, RootsAreNeverRemovable) {
  for (const wchar_t* root : {L"C:\\", L"C:", L"c:/", L"\\", L"\\\\server\\share\\", L"\\\\server\\share"}) {
    EXPECT_TRUE(IsRootFolder(root)) << Narrow(root);
  }
  for (const wchar_t* folder : {L"C:\\Apps\\", L"\\Apps\\", L"\\\\server\\share\\Apps\\"}) {
    EXPECT_FALSE(IsRootFolder(folder)) << Narrow(folder);
  }
}

TEST(UninstallPaths, ReadTheProgramOfACommandAndTheFileOfAnIcon) {
  wchar_t out[kFolderUnits];
  struct Case {
    const wchar_t* command;
    const wchar_t* program;  // null: none
  } commands[] = {
      {L"\"C:\\Program Files\\Velunora\\Tunebridge.exe\" \"%1\"", L"C:\\Program Files\\Velunora\\Tunebridge.exe"},
      {L"  \"C:\\A B\\u.exe\"", L"C:\\A B\\u.exe"},
      {L"C:\\Apps\\x.exe /flag", L"C:\\Apps\\x.exe"},
      {L"C:\\Program Files\\x.exe", L"C:\\Program"},  // unquoted: up to the blank, as Windows first reads it
      {L"\"C:\\unterminated.exe", L"C:\\unterminated.exe"},
      {L"\"\" x", nullptr},
      {L"   ", nullptr},
  };
  for (const Case& c : commands) {
    bool found = CommandProgram(c.command, out, kFolderUnits);
    EXPECT_EQ(found, c.program != nullptr) << Narrow(c.command);
    if (found && c.program) {
      EXPECT_EQ(std::wstring(out), c.program) << Narrow(c.command);
    }
  }
  EXPECT_FALSE(CommandProgram(L"\"C:\\Program Files\\x.exe\"", out, 8));

  Case icons[] = {
      {L"C:\\Apps\\x.exe,0", L"C:\\Apps\\x.exe"},
      {L"C:\\Apps\\x.exe,-101", L"C:\\Apps\\x.exe"},
      {L"\"C:\\Apps\\x.exe\",0", L"C:\\Apps\\x.exe"},
      {L"C:\\Apps\\x.exe", L"C:\\Apps\\x.exe"},
      {L"C:\\a,b\\x.exe,0", L"C:\\a,b\\x.exe"},
      {L"C:\\a,b", L"C:\\a,b"},
      {L",0", nullptr},
  };
  for (const Case& c : icons) {
    bool found = IconFile(c.command, out, kFolderUnits);
    EXPECT_EQ(found, c.program != nullptr) << Narrow(c.command);
    if (found && c.program) {
      EXPECT_EQ(std::wstring(out), c.program) << Narrow(c.command);
    }
  }
}

// Every registry value setup.exe's install plan writes for a folder.
std::vector<RegistryWrite> InstallPlanValues(const wchar_t* folder) {
  PlanRecorder recorder;
  wchar_t installDir[kFolderUnits], startMenuDir[kFolderUnits] = L"C:\\Start\\Velunora\\";
  std::wcsncpy(installDir, folder, kFolderUnits - 1);
  installDir[kFolderUnits - 1] = 0;
  PayloadEntry entries[11] = {};
  uint32_t errors = 0;
  bool associationsChanged = false;
  StepState state = {kAllComponents, installDir, startMenuDir,      entries,
                     2453504,        &errors,    &kAllUsersEdition, &associationsChanged};
  for (uint32_t step = 0; step < kInstallStepCount; ++step) PerformInstallStep(step, &state, recorder, recorder);
  return recorder.values;
}

FoundValue Found(const RegistryWrite& w) {
  return {true, w.row->type, w.row->type == kRegSz ? w.wide.c_str() : nullptr, w.number};
}

TEST(UninstallRegistry, EveryValueSetupWritesForOurFolderIsOurs) {
  std::vector<RegistryWrite> values = InstallPlanValues(kFolder);
  ASSERT_EQ(values.size(), 28u);
  for (const RegistryWrite& w : values) EXPECT_TRUE(HoldsWhatSetupWrote(*w.row, Found(w), kOurs)) << w.text;
  // Spelled differently by the user who started it, still ours.
  Installation typed = {L"c:/program files/VELUNORA", L"c:/program files/VELUNORA/UNINSTALL.EXE", &kAllUsersEdition};
  for (const RegistryWrite& w : values) EXPECT_TRUE(HoldsWhatSetupWrote(*w.row, Found(w), typed)) << w.text;
}

TEST(UninstallRegistry, AnotherFoldersValuesAreOursOnlyWhereTheyAreFixed) {
  for (const RegistryWrite& w : InstallPlanValues(L"C:\\Program Files\\Velunora Two\\")) {
    bool fixed = w.row->source == FixedText || w.row->source == FixedNumber || w.row->source == EstimatedKilobytes ||
                 w.row->source == EditionTitle;
    EXPECT_EQ(HoldsWhatSetupWrote(*w.row, Found(w), kOurs), fixed) << w.text;
  }
}

TEST(UninstallRegistry, ValuesChangedSinceAreNotOurs) {
  const RegistryRow& extension = kShellRegistrationRows[4];  // .ntxt -> Notelocker.Document
  EXPECT_TRUE(HoldsWhatSetupWrote(extension, {true, kRegSz, L"Notelocker.Document", 0}, kOurs));
  EXPECT_FALSE(HoldsWhatSetupWrote(extension, {true, kRegSz, L"OtherEditor.ntxt", 0}, kOurs));
  EXPECT_FALSE(HoldsWhatSetupWrote(extension, {true, 2 /* REG_EXPAND_SZ */, L"Notelocker.Document", 0}, kOurs));
  EXPECT_FALSE(HoldsWhatSetupWrote(extension, {false, 0, nullptr, 0}, kOurs));
  EXPECT_FALSE(HoldsWhatSetupWrote(extension, {true, kRegSz, nullptr, 0}, kOurs));  // too long to read

  const RegistryRow& command = kShellRegistrationRows[8];  // Notelocker's open command
  ASSERT_EQ(command.source, ProgramOpenCommand);
  EXPECT_TRUE(HoldsWhatSetupWrote(command, {true, kRegSz, L"\"C:\\Program Files\\Velunora\\Talvex.exe\" %1", 0},
                                  kOurs));  // any program of our folder
  EXPECT_FALSE(HoldsWhatSetupWrote(command, {true, kRegSz, L"notepad.exe \"%1\"", 0}, kOurs));
  EXPECT_FALSE(
      HoldsWhatSetupWrote(command, {true, kRegSz, L"\"C:\\Program Files\\Velunora\\bin\\n.exe\" \"%1\"", 0}, kOurs));

  for (uint32_t i = 0; i < kUninstallRowCount; ++i) {
    const RegistryRow& row = kUninstallRows[i];
    if (row.source == UninstallCommand) {
      EXPECT_FALSE(HoldsWhatSetupWrote(row, {true, kRegSz, L"\"C:\\Program Files\\Velunora\\Talvex.exe\"", 0}, kOurs));
    } else if (row.source == FixedNumber) {
      EXPECT_FALSE(HoldsWhatSetupWrote(row, {true, kRegDword, nullptr, 0}, kOurs));
    } else if (row.source == EstimatedKilobytes) {
      EXPECT_TRUE(HoldsWhatSetupWrote(row, {true, kRegDword, nullptr, 12345}, kOurs));
    }
  }
}

// Each edition's uninstaller knows its own entry by its own title.
TEST(UninstallRegistry, TheDisplayNameIsOursOnlyInOurOwnEdition) {
  const RegistryRow& name = kUninstallRows[1];
  ASSERT_EQ(std::wstring(name.valueName), L"DisplayName");
  const FoundValue allUsers = {true, kRegSz, L"Velunora App Pack (All Users)", 0};
  const FoundValue singleUser = {true, kRegSz, L"Velunora App Pack (Single User)", 0};
  const Installation user = {L"C:\\users\\ann\\AppData\\Local\\Programs\\Velunora\\",
                             L"C:\\users\\ann\\AppData\\Local\\Programs\\Velunora\\uninstall.exe", &kSingleUserEdition};
  EXPECT_TRUE(HoldsWhatSetupWrote(name, allUsers, kOurs));
  EXPECT_FALSE(HoldsWhatSetupWrote(name, singleUser, kOurs));
  EXPECT_TRUE(HoldsWhatSetupWrote(name, singleUser, user));
  EXPECT_FALSE(HoldsWhatSetupWrote(name, allUsers, user));
}

std::wstring KeyOf(const RegistryRow& row, uint32_t depth) {
  wchar_t path[kKeyPathUnits];
  EXPECT_TRUE(ComposeKeyPrefix(row, depth, path, kKeyPathUnits));
  return path;
}

TEST(UninstallRegistry, EachGroupIsDecidedByItsOwnCommand) {
  const LayoutTable& shell = kLayoutTables[0];
  for (uint32_t i = 0; i < shell.count; ++i) {
    const RegistryRow& decider = shell.rows[DecidingRow(shell, i)];
    EXPECT_EQ(decider.source, ProgramOpenCommand);
    EXPECT_EQ(decider.step, shell.rows[i].step);
  }
  // The two verbs of Tunebridge are decided apart: a later installation may
  // have taken one of them only.
  EXPECT_EQ(KeyOf(shell.rows[DecidingRow(shell, 0)], 6), L"Software\\Classes\\Directory\\shell\\Tunebridge\\command");
  EXPECT_EQ(KeyOf(shell.rows[DecidingRow(shell, 2)], 6),
            L"Software\\Classes\\SystemFileAssociations\\audio\\shell\\Tunebridge\\command");

  const LayoutTable& appPath = kLayoutTables[1];
  EXPECT_EQ(DecidingRow(appPath, 0), 0u);
  const LayoutTable& entry = kLayoutTables[2];
  for (uint32_t i = 0; i < entry.count; ++i) EXPECT_EQ(entry.rows[DecidingRow(entry, i)].source, UninstallCommand);
}

TEST(UninstallRegistry, OnlyOurOwnKeysMayBePruned) {
  // The keys below each table's system depth, as the uninstaller walks them.
  std::vector<std::wstring> prunable;
  for (const LayoutTable& table : kLayoutTables) {
    for (uint32_t i = 0; i < table.count; ++i) {
      for (uint32_t depth = table.systemDepth + 1; depth <= KeyDepth(table.rows[i]); ++depth) {
        std::wstring key = KeyOf(table.rows[i], depth);
        if (std::find(prunable.begin(), prunable.end(), key) == prunable.end()) prunable.push_back(key);
      }
    }
  }
  auto has = [&](const wchar_t* key) { return std::find(prunable.begin(), prunable.end(), key) != prunable.end(); };
  EXPECT_TRUE(has(L"Software\\Velunora"));
  EXPECT_TRUE(has(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velunora"));
  EXPECT_TRUE(has(L"Software\\Classes\\Notelocker.Document\\shell\\open"));  // created on the way
  EXPECT_TRUE(has(L"Software\\Classes\\Directory\\shell"));                  // only once it is empty
  EXPECT_FALSE(has(L"Software"));
  EXPECT_FALSE(has(L"Software\\Classes"));
  EXPECT_FALSE(has(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
  EXPECT_FALSE(has(L"Software\\Microsoft"));
}

TEST(UninstallMessage, CountsWhatWentAndNamesWhatCouldNot) {
  RemovalReport report = {};
  for (int i = 0; i < 9; ++i) NoteRemoved(&report, ProgramKind);
  NoteRemoved(&report, FolderKind);
  wchar_t text[kMessageUnits];
  ComposeClosingMessage(report, text, kMessageUnits);
  EXPECT_EQ(std::wstring(text),
            L"Velunora App Pack has been removed from this computer.\n\nRemoved: 9 program files and 1 folder.");

  NoteKept(&report, ShortcutKind);
  NoteKept(&report, RegistryKind);
  NoteKept(&report, RegistryKind);
  NoteFailure(&report, L"C:\\Apps\\Wardbin.exe", 32);
  NoteFailure(&report, L"HKEY_LOCAL_MACHINE\\Software\\Velunora, value AppPath", 5);
  NoteFailure(&report, L"C:\\Apps\\uninstall.exe", kUninstallerRunning);
  NoteFailure(&report, L"C:\\Apps\\Frolix.exe", kReachedThroughLink);
  NoteFailure(&report, L"C:\\Apps\\Talvex.exe", 1234);
  ComposeClosingMessage(report, text, kMessageUnits);
  EXPECT_EQ(std::wstring(text),
            L"Velunora App Pack could not be removed completely.\n\n"
            L"Removed: 9 program files and 1 folder.\n\n"
            L"Left for the installation that now uses them: 1 shortcut and 2 registry values.\n\n"
            L"Could not remove 5 items:\n"
            L"C:\\Apps\\Wardbin.exe: in use by another program\n"
            L"HKEY_LOCAL_MACHINE\\Software\\Velunora, value AppPath: access denied\n"
            L"C:\\Apps\\uninstall.exe: in use by the uninstaller itself; delete it once this message is closed\n"
            L"C:\\Apps\\Frolix.exe: reached through a link to another place; left as it is\n"
            L"C:\\Apps\\Talvex.exe: error 1234");
}

TEST(UninstallMessage, StaysReadableForALongList) {
  RemovalReport report = {};
  std::wstring longName = L"C:\\" + std::wstring(400, L'x') + L"\\end.exe";
  NoteFailure(&report, longName.c_str(), 5);
  for (int i = 1; i < 40; ++i) NoteFailure(&report, L"C:\\Apps\\file.exe", 32);
  wchar_t text[kMessageUnits];
  ComposeClosingMessage(report, text, kMessageUnits);
  std::wstring message = text;
  EXPECT_NE(message.find(L"Removed: nothing."), std::wstring::npos);
  EXPECT_NE(message.find(L"Could not remove 40 items:\n..."), std::wstring::npos);
  EXPECT_NE(message.find(L"\\end.exe: access denied\n"), std::wstring::npos);  // the end of a long name is kept
  EXPECT_EQ(std::count(message.begin(), message.end(), L'\n'), 2 + 2 + int(kNamedFailures) + 1);
  EXPECT_EQ(message.substr(message.size() - 13), L"\nand 28 more.");

  // A message larger than its buffer is cut, never overrun.
  wchar_t small[40];
  ComposeClosingMessage(report, small, 40);
  EXPECT_LT(std::wstring(small).size(), 40u);
}

TEST(UninstallSelfRemoval, TheFinishingRunReadsBackWhatItWasStartedWith) {
  FinishRequest request = {};
  request.waitHandle = 0x1f4;
  request.fileHandle = 0x2c;
  std::wcscpy(request.original, L"C:\\Program Files\\Velunora App\\uninstall.exe");
  wchar_t command[700];
  ASSERT_TRUE(ComposeFinishCommand(L"C:\\Users\\A B\\Temp\\vlu1.tmp", request, command, 700));
  EXPECT_EQ(std::wstring(command),
            L"\"C:\\Users\\A B\\Temp\\vlu1.tmp\" /finish 500 44 \"C:\\Program Files\\Velunora App\\uninstall.exe\"");
  FinishRequest read = {};
  ASSERT_EQ(ParseFinishCommand(command, &read), FinishingRun);
  EXPECT_EQ(read.waitHandle, 500u);
  EXPECT_EQ(read.fileHandle, 44u);
  EXPECT_EQ(std::wstring(read.original), request.original);
  EXPECT_FALSE(ComposeFinishCommand(L"C:\\t.tmp", request, command, 40));
  EXPECT_EQ(command[0], 0);
}

TEST(UninstallSelfRemoval, AnyOtherCommandLineIsAnOrdinaryStartOrRefused) {
  FinishRequest read = {};
  for (const wchar_t* line : {L"\"C:\\Apps\\uninstall.exe\"", L"C:\\Apps\\uninstall.exe", L"uninstall.exe /S",
                              L"\"C:\\Program Files\\uninstall.exe\" /finishing", L""}) {
    EXPECT_EQ(ParseFinishCommand(line, &read), NotAFinishingRun) << Narrow(line);
  }
  for (const wchar_t* line :
       {L"u.exe /finish", L"u.exe /finish 12", L"u.exe /finish 12 1", L"u.exe /finish x 1 \"C:\\u.exe\"",
        L"u.exe /finish 12 -2 \"C:\\u.exe\"", L"u.exe /finish 12 1 \"C:\\u.exe", L"u.exe /finish 12 1 \"\"",
        L"u.exe /finish 12 1 \"C:\\u.exe\" extra", L"u.exe /finish 99999999999999999999999 1 \"C:\\u.exe\""}) {
    EXPECT_EQ(ParseFinishCommand(line, &read), MalformedFinish) << Narrow(line);
  }
}

}  // namespace
