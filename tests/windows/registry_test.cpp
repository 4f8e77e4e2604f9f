#include "registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_support.h"
#include "wide_text.h"

namespace {

TEST(BuildKeyPath, ComposesPresentComponentsUpToTheFirstAbsentOne) {
  TestContext t;
  EXPECT_STREQ(BuildKeyPath(L"Velunora"), L"Software\\Velunora");
  EXPECT_STREQ(BuildKeyPath(L"a", L"b", L"c", L"d", L"e", L"f"), L"Software\\a\\b\\c\\d\\e\\f");
  EXPECT_STREQ(BuildKeyPath(nullptr, L"ignored"), L"Software");
  EXPECT_STREQ(BuildKeyPath(L"a", nullptr, L"ignored"), L"Software\\a");
  // The result lives in the shared scratch area, overwritten by the next one.
  EXPECT_EQ(BuildKeyPath(L"x"), t.context.scratch.wide);
}

TEST(BuildKeyPath, RefusesAPathLongerThanTheScratchArea) {
  TestContext t;
  std::wstring long1(120, L'a'), long2(130, L'b');
  EXPECT_EQ(BuildKeyPath(long1.c_str(), long2.c_str()), nullptr);
  std::wstring fits(255 - 9, L'c');  // "Software\" + 246 units + terminator = 256
  EXPECT_NE(BuildKeyPath(fits.c_str()), nullptr);
}

// Every fixed text's stated byte count is its UTF-16 length with the
// terminator, and every composed one is computed.
TEST(RegistryLayout, FixedByteCountsMatchTheirTexts) {
  auto check = [](const RegistryRow& row) {
    if (row.source == FixedText) {
      EXPECT_EQ(row.type, DWORD(REG_SZ));
      EXPECT_EQ(row.bytes, TextBytes(row.text)) << static_cast<const void*>(row.text);
    } else if (row.type == REG_DWORD) {
      EXPECT_EQ(row.bytes, 4u);
    } else {
      EXPECT_EQ(row.bytes, 0u);
    }
  };
  for (uint32_t i = 0; i < kShellRegistrationRowCount; ++i) check(kShellRegistrationRows[i]);
  for (uint32_t i = 0; i < kUninstallRowCount; ++i) check(kUninstallRows[i]);
  check(kAppPathRow);
  EXPECT_EQ(kShellRegistrationRows[0].bytes, 42u);  // "Play with Tunebridge"
  EXPECT_EQ(kShellRegistrationRows[7].bytes, 10u);  // "open"
}

TEST(RegistryLayout, KeysAndStepsAreAsInstalled) {
  TestContext t;
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
    const wchar_t* path = BuildRowKeyPath(kShellRegistrationRows[i]);
    EXPECT_STREQ(path, shell[i].key) << i;
    EXPECT_EQ(kShellRegistrationRows[i].valueName, nullptr);
    longest = std::max(longest, WideLength(path));
  }
  EXPECT_EQ(longest, 70u);

  const wchar_t* names[] = {L"DisplayIcon",     L"DisplayName",   L"DisplayVersion", L"Publisher",
                            L"UninstallString", L"EstimatedSize", L"NoModify",       L"NoRepair"};
  ASSERT_EQ(kUninstallRowCount, 8u);
  for (uint32_t i = 0; i < kUninstallRowCount; ++i) {
    EXPECT_STREQ(BuildRowKeyPath(kUninstallRows[i]),
                 L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velunora");
    EXPECT_STREQ(kUninstallRows[i].valueName, names[i]);
  }
  EXPECT_STREQ(BuildRowKeyPath(kAppPathRow), L"Software\\Velunora");
  EXPECT_STREQ(kAppPathRow.valueName, L"AppPath");
}

TEST(WriteRegistryValue, CreatesMissingKeysAndWritesExactBytes) {
  ScopedHklmTree cleanup(L"Software\\VelunoraTests");
  const wchar_t key[] = L"Software\\VelunoraTests\\a\\b\\c";
  const wchar_t text[] = L"open";
  EXPECT_EQ(WriteRegistryValue(key, nullptr, REG_SZ, text, 10), 1);
  DWORD number = 2396;
  EXPECT_EQ(WriteRegistryValue(key, L"EstimatedSize", REG_DWORD, &number, 4), 1);

  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(ReadHklmValue(key, nullptr, &type, &data));
  EXPECT_EQ(type, DWORD(REG_SZ));
  ASSERT_EQ(data.size(), 10u);
  EXPECT_EQ(std::memcmp(data.data(), text, 10), 0);
  ASSERT_TRUE(ReadHklmValue(key, L"EstimatedSize", &type, &data));
  EXPECT_EQ(type, DWORD(REG_DWORD));
  ASSERT_EQ(data.size(), 4u);
  EXPECT_EQ(*reinterpret_cast<DWORD*>(data.data()), 2396u);

  // A second write replaces the value and leaves the others.
  const wchar_t other[] = L"Play with Tunebridge";
  EXPECT_EQ(WriteRegistryValue(key, nullptr, REG_SZ, other, 42), 1);
  ASSERT_TRUE(ReadHklmValue(key, nullptr, &type, &data));
  EXPECT_EQ(data.size(), 42u);
  EXPECT_TRUE(ReadHklmValue(key, L"EstimatedSize", &type, &data));
}

TEST(WriteRegistryValue, ReportsAKeyOrValueThatCannotBeWritten) {
  ScopedHklmTree cleanup(L"Software\\VelunoraTests");
  DWORD number = 1;
  EXPECT_EQ(WriteRegistryValue(nullptr, L"v", REG_DWORD, &number, 4), 0);
  // A key name longer than the registry allows cannot be created.
  std::wstring tooLong = L"Software\\VelunoraTests\\" + std::wstring(300, L'k');
  EXPECT_EQ(WriteRegistryValue(tooLong.c_str(), L"v", REG_DWORD, &number, 4), 0);
  // The key opens, but the value cannot be set: its data lies nowhere.
  EXPECT_EQ(WriteRegistryValue(L"Software\\VelunoraTests\\v", L"v", REG_DWORD, nullptr, 4), 0);
  DWORD type;
  std::vector<BYTE> data;
  EXPECT_FALSE(ReadHklmValue(L"Software\\VelunoraTests\\v", L"v", &type, &data));
}

}  // namespace
