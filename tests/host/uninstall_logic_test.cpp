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

// The rows of each group that are no longer ours when only row `changed`
// of the table no longer holds what setup.exe wrote.
std::vector<uint32_t> NotOursWhenChanged(const LayoutTable& table, uint32_t changed) {
  bool holds[32], ours[32];
  EXPECT_LE(table.count, 32u);
  for (uint32_t i = 0; i < table.count; ++i) holds[i] = i != changed;
  DecideGroups(table, holds, ours);
  std::vector<uint32_t> notOurs;
  for (uint32_t i = 0; i < table.count; ++i) {
    if (!ours[i]) notOurs.push_back(i);
  }
  return notOurs;
}

TEST(UninstallRegistry, EachGroupIsDecidedByItsOwnCommand) {
  using Rows = std::vector<uint32_t>;
  const LayoutTable& shell = kLayoutTables[0];
  // The two verbs of Tunebridge are decided apart: a later installation may
  // have taken one of them only.
  EXPECT_EQ(NotOursWhenChanged(shell, 1), (Rows{0, 1}));  // Directory\shell\Tunebridge\command
  EXPECT_EQ(NotOursWhenChanged(shell, 3), (Rows{2, 3}));  // ...audio\shell\Tunebridge\command
  EXPECT_EQ(NotOursWhenChanged(shell, 8), (Rows{4, 5, 6, 7, 8}));
  EXPECT_EQ(NotOursWhenChanged(shell, 13), (Rows{9, 10, 11, 12, 13}));
  EXPECT_EQ(NotOursWhenChanged(shell, 18), (Rows{14, 15, 16, 17, 18}));
  // Anything else that changed is left alone, and the rest of its group goes.
  for (uint32_t i : {0u, 2u, 4u, 6u, 9u, 17u}) EXPECT_EQ(NotOursWhenChanged(shell, i), Rows{}) << i;

  EXPECT_EQ(NotOursWhenChanged(kLayoutTables[1], 0), Rows{0});
  const LayoutTable& entry = kLayoutTables[2];
  EXPECT_EQ(NotOursWhenChanged(entry, 4), (Rows{0, 1, 2, 3, 4, 5, 6, 7}));  // UninstallString
  EXPECT_EQ(NotOursWhenChanged(entry, 1), Rows{});
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

// The command processor takes what follows /s /c without its outer quotes,
// and would read %NAME% as a variable even inside quotes.
TEST(UninstallSelfRemoval, TheKeptCopyIsStartedByTheCommandProcessorWithNothingExpanded) {
  FinishRequest request = {};
  request.waitHandle = 0x1f4;
  request.fileHandle = 0x2c;
  std::wcscpy(request.original, L"C:\\Program Files\\R&D (x)\\uninstall.exe");
  wchar_t command[700];
  ASSERT_TRUE(ComposeKeptCommand(L"C:\\Windows\\Temp\\vlu1\\vlu1.exe", request, command, 700));
  const std::wstring text = command;
  EXPECT_EQ(text,
            L"cmd.exe /d /v:off /s /c \"\"C:\\Windows\\Temp\\vlu1\\vlu1.exe\" /finish-kept 500 44 "
            L"\"C:\\Program Files\\R&D (x)\\uninstall.exe\"\"");
  const std::wstring inner = text.substr(25, text.size() - 26);  // as the command processor runs it
  FinishRequest read = {};
  ASSERT_EQ(ParseFinishCommand(inner.c_str(), &read), FinishingRun);
  EXPECT_TRUE(read.kept);
  EXPECT_EQ(std::wstring(read.original), request.original);

  std::wcscpy(request.original, L"C:\\100%PATH%\\uninstall.exe");
  EXPECT_FALSE(ComposeKeptCommand(L"C:\\Windows\\Temp\\vlu1\\vlu1.exe", request, command, 700));
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
