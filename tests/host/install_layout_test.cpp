// What an installation consists of, held against the documented App Pack
// and registry layout: every reader (the build's padding, the installer, the
// uninstaller) takes its names, sizes, keys and byte counts from these tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "components.h"
#include "registry_layout.h"
#include "wide_text.h"

namespace {

std::wstring KeyPath(const RegistryRow& row) {
  wchar_t path[kKeyPathUnits];
  EXPECT_TRUE(ComposeKeyPath(path, kKeyPathUnits, row.key));
  return path;
}

TEST(InstallLayout, ComponentTableIsTheDocumentedAppPack) {
  struct Documented {
    const wchar_t* name;
    uint32_t entry;
    uint32_t bytes;
    bool registers;
  } documented[] = {
      {L"Talvex", 1, 184320, false}, {L"Glimmerdex", 2, 200192, false}, {L"Veilcrafter", 3, 380416, false},
      {L"Frolix", 4, 440320, false}, {L"Tunebridge", 5, 214016, true},  {L"Notelocker", 6, 238592, true},
      {L"Wardbin", 7, 376320, true}, {L"Drifthub", 8, 309760, true},
  };
  ASSERT_EQ(kComponentCount, 8u);
  for (uint32_t k = 0; k < kComponentCount; ++k) {
    EXPECT_EQ(std::wstring(kComponentTable[k].name), documented[k].name) << k;
    EXPECT_EQ(kComponentTable[k].payloadEntry, documented[k].entry) << k;
    EXPECT_EQ(kComponentTable[k].bytes, documented[k].bytes) << k;
    EXPECT_EQ(kComponentTable[k].hasShellRegistration, documented[k].registers) << k;
  }
  EXPECT_EQ(std::wstring(kUninstallerComponentName), L"Uninstall");
  EXPECT_EQ(std::wstring(kUninstallerFileName), L"uninstall.exe");
  EXPECT_EQ(kUninstallerEntry, 9u);
  EXPECT_EQ(kUninstallers[0].bytes, 109568u);
  EXPECT_EQ(kSingleUserUninstallerEntry, 10u);
  EXPECT_EQ(kUninstallers[1].bytes, 109056u);
}

// Fixed REG_SZ data are counted by the compiler; these are the documented
// counts, in UTF-16 bytes with the terminator. Numbers are 4 bytes, and
// composed texts are counted when they are written.
TEST(InstallLayout, FixedDataCarryTheirDocumentedByteCounts) {
  struct Documented {
    const wchar_t* key;
    const wchar_t* value;
    uint32_t bytes;
  } documented[] = {
      {L"Software\\Classes\\Directory\\shell\\Tunebridge", nullptr, 42},
      {L"Software\\Classes\\SystemFileAssociations\\audio\\shell\\Tunebridge", nullptr, 42},
      {L"Software\\Classes\\.ntxt", nullptr, 40},
      {L"Software\\Classes\\Notelocker.Document", nullptr, 40},
      {L"Software\\Classes\\Notelocker.Document\\shell", nullptr, 10},
      {L"Software\\Classes\\.kvx", nullptr, 26},
      {L"Software\\Classes\\Wardbin.File", nullptr, 38},
      {L"Software\\Classes\\Wardbin.File\\shell", nullptr, 10},
      {L"Software\\Classes\\.dft", nullptr, 28},
      {L"Software\\Classes\\Drifthub.File", nullptr, 34},
      {L"Software\\Classes\\Drifthub.File\\shell", nullptr, 10},
      {L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velunora", L"DisplayVersion", 10},
      {L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velunora", L"Publisher", 18},
  };
  uint32_t fixedTexts = 0;
  auto check = [&](const RegistryRow& row) {
    std::wstring key = KeyPath(row);
    std::string where(key.begin(), key.end());
    if (row.source == FixedText) {
      ++fixedTexts;
      EXPECT_EQ(row.type, kRegSz) << where;
      EXPECT_EQ(row.bytes, TextBytes(row.text)) << where;
      const Documented* d = std::find_if(std::begin(documented), std::end(documented), [&](const Documented& d) {
        return key == d.key && (d.value ? row.valueName && std::wstring(row.valueName) == d.value : !row.valueName);
      });
      ASSERT_NE(d, std::end(documented)) << where;
      EXPECT_EQ(row.bytes, d->bytes) << where;
    } else if (row.type == kRegDword) {
      EXPECT_EQ(row.bytes, 4u) << where;
    } else {
      EXPECT_EQ(row.bytes, 0u) << where;
    }
  };
  for (uint32_t i = 0; i < kShellRegistrationRowCount; ++i) check(kShellRegistrationRows[i]);
  for (uint32_t i = 0; i < kUninstallRowCount; ++i) check(kUninstallRows[i]);
  check(kAppPathRow);
  EXPECT_EQ(fixedTexts, sizeof documented / sizeof documented[0]);
}

TEST(InstallLayout, KeysAndStepsAreAsInstalled) {
  struct Expected {
    uint32_t step;
    const wchar_t* key;
  } shell[] = {
      {4, L"Software\\Classes\\Directory\\shell\\Tunebridge"},
      {4, L"Software\\Classes\\Directory\\shell\\Tunebridge\\command"},
      {4, L"Software\\Classes\\SystemFileAssociations\\audio\\shell\\Tunebridge"},
      {4, L"Software\\Classes\\SystemFileAssociations\\audio\\shell\\Tunebridge\\command"},
      {5, L"Software\\Classes\\.ntxt"},
      {5, L"Software\\Classes\\Notelocker.Document"},
      {5, L"Software\\Classes\\Notelocker.Document\\DefaultIcon"},
      {5, L"Software\\Classes\\Notelocker.Document\\shell"},
      {5, L"Software\\Classes\\Notelocker.Document\\shell\\open\\command"},
      {6, L"Software\\Classes\\.kvx"},
      {6, L"Software\\Classes\\Wardbin.File"},
      {6, L"Software\\Classes\\Wardbin.File\\DefaultIcon"},
      {6, L"Software\\Classes\\Wardbin.File\\shell"},
      {6, L"Software\\Classes\\Wardbin.File\\shell\\open\\command"},
      {7, L"Software\\Classes\\.dft"},
      {7, L"Software\\Classes\\Drifthub.File"},
      {7, L"Software\\Classes\\Drifthub.File\\DefaultIcon"},
      {7, L"Software\\Classes\\Drifthub.File\\shell"},
      {7, L"Software\\Classes\\Drifthub.File\\shell\\open\\command"},
  };
  ASSERT_EQ(kShellRegistrationRowCount, sizeof shell / sizeof shell[0]);
  size_t longest = 0;
  for (uint32_t i = 0; i < kShellRegistrationRowCount; ++i) {
    EXPECT_EQ(kShellRegistrationRows[i].step, shell[i].step) << i;
    std::wstring path = KeyPath(kShellRegistrationRows[i]);
    EXPECT_EQ(path, shell[i].key) << i;
    EXPECT_EQ(kShellRegistrationRows[i].valueName, nullptr);
    longest = std::max(longest, path.size());
  }
  EXPECT_EQ(longest, 70u);

  const wchar_t* names[] = {L"DisplayIcon",     L"DisplayName",   L"DisplayVersion", L"Publisher",
                            L"UninstallString", L"EstimatedSize", L"NoModify",       L"NoRepair"};
  ASSERT_EQ(kUninstallRowCount, 8u);
  for (uint32_t i = 0; i < kUninstallRowCount; ++i) {
    EXPECT_EQ(KeyPath(kUninstallRows[i]), L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velunora");
    EXPECT_EQ(std::wstring(kUninstallRows[i].valueName), names[i]);
  }
  EXPECT_EQ(KeyPath(kAppPathRow), L"Software\\Velunora");
  EXPECT_EQ(std::wstring(kAppPathRow.valueName), L"AppPath");
}

// The uninstaller decides each table of rows on its own, by the one row of
// each group that says whose the group is.
TEST(InstallLayout, EveryGroupHasExactlyOneDecidingRowInOneTable) {
  struct Table {
    const RegistryRow* rows;
    uint32_t count;
  } tables[] = {
      {kShellRegistrationRows, kShellRegistrationRowCount}, {&kAppPathRow, 1}, {kUninstallRows, kUninstallRowCount}};
  uint32_t deciders[kRegistryGroupCount] = {};
  int tableOf[kRegistryGroupCount];
  std::fill(std::begin(tableOf), std::end(tableOf), -1);
  for (int t = 0; t < 3; ++t) {
    for (uint32_t i = 0; i < tables[t].count; ++i) {
      const RegistryRow& row = tables[t].rows[i];
      ASSERT_LT(row.group, kRegistryGroupCount);
      if (row.decides) ++deciders[row.group];
      EXPECT_TRUE(tableOf[row.group] == -1 || tableOf[row.group] == t) << "group " << row.group;
      tableOf[row.group] = t;
    }
  }
  for (uint32_t g = 0; g < kRegistryGroupCount; ++g) {
    EXPECT_EQ(deciders[g], 1u) << "group " << g;
    EXPECT_NE(tableOf[g], -1) << "group " << g;
  }
}

TEST(BuildKeyPath, ComposesPresentComponentsUpToTheFirstAbsentOne) {
  wchar_t scratch[kKeyPathUnits];
  EXPECT_STREQ(BuildKeyPath(scratch, L"Velunora"), L"Software\\Velunora");
  EXPECT_STREQ(BuildKeyPath(scratch, L"a", L"b", L"c", L"d", L"e", L"f"), L"Software\\a\\b\\c\\d\\e\\f");
  EXPECT_STREQ(BuildKeyPath(scratch, nullptr, L"ignored"), L"Software");
  EXPECT_STREQ(BuildKeyPath(scratch, L"a", nullptr, L"ignored"), L"Software\\a");
  // The result lives in the area it was given, overwritten by the next one.
  EXPECT_EQ(BuildKeyPath(scratch, L"x"), scratch);
}

TEST(BuildKeyPath, RefusesAPathLongerThanTheScratchArea) {
  wchar_t scratch[kKeyPathUnits];
  std::wstring long1(120, L'a'), long2(130, L'b');
  EXPECT_EQ(BuildKeyPath(scratch, long1.c_str(), long2.c_str()), nullptr);
  std::wstring fits(255 - 9, L'c');  // "Software\" + 246 units + terminator = 256
  EXPECT_NE(BuildKeyPath(scratch, fits.c_str()), nullptr);
}

}  // namespace
