#include "registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_support.h"
#include "wide_text.h"

namespace {

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

TEST(WriteRegistryValue, CreatesMissingKeysAndWritesExactBytes) {
  ScopedHklmTree cleanup(L"Software\\VelunoraTests");
  const wchar_t key[] = L"Software\\VelunoraTests\\a\\b\\c";
  const wchar_t text[] = L"open";
  EXPECT_EQ(WriteRegistryValue(HKEY_LOCAL_MACHINE, key, nullptr, REG_SZ, text, 10), 1);
  DWORD number = 2396;
  EXPECT_EQ(WriteRegistryValue(HKEY_LOCAL_MACHINE, key, L"EstimatedSize", REG_DWORD, &number, 4), 1);

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
  EXPECT_EQ(WriteRegistryValue(HKEY_LOCAL_MACHINE, key, nullptr, REG_SZ, other, 42), 1);
  ASSERT_TRUE(ReadHklmValue(key, nullptr, &type, &data));
  EXPECT_EQ(data.size(), 42u);
  EXPECT_TRUE(ReadHklmValue(key, L"EstimatedSize", &type, &data));
}

TEST(WriteRegistryValue, ReportsAKeyOrValueThatCannotBeWritten) {
  ScopedHklmTree cleanup(L"Software\\VelunoraTests");
  DWORD number = 1;
  EXPECT_EQ(WriteRegistryValue(HKEY_LOCAL_MACHINE, nullptr, L"v", REG_DWORD, &number, 4), 0);
  // A key name longer than the registry allows cannot be created.
  std::wstring tooLong = L"Software\\VelunoraTests\\" + std::wstring(300, L'k');
  EXPECT_EQ(WriteRegistryValue(HKEY_LOCAL_MACHINE, tooLong.c_str(), L"v", REG_DWORD, &number, 4), 0);
  // The key opens, but the value cannot be set: its data lies nowhere.
  EXPECT_EQ(WriteRegistryValue(HKEY_LOCAL_MACHINE, L"Software\\VelunoraTests\\v", L"v", REG_DWORD, nullptr, 4), 0);
  DWORD type;
  std::vector<BYTE> data;
  EXPECT_FALSE(ReadHklmValue(L"Software\\VelunoraTests\\v", L"v", &type, &data));
}

// A key path that did not fit comes as null, and the system would take a
// null key path for the root key itself: a value stored right there must not
// be read.
TEST(ReadRegistryValue, ReadsNothingThroughAKeyPathThatDidNotFit) {
  const wchar_t name[] = L"VelunoraTestsAtTheRoot";
  const wchar_t text[] = L"C:\\Apps\\";
  ASSERT_EQ(RegSetValueExW(HKEY_CURRENT_USER, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
            ERROR_SUCCESS);
  wchar_t atRoot[16] = {}, throughNull[16] = {};
  int readAtRoot = ReadRegistryValue(HKEY_CURRENT_USER, L"", name, atRoot, sizeof atRoot);
  int readThroughNull = ReadRegistryValue(HKEY_CURRENT_USER, nullptr, name, throughNull, sizeof throughNull);
  RegDeleteValueW(HKEY_CURRENT_USER, name);
  ASSERT_EQ(readAtRoot, 1) << "the value at the root is readable at all";
  EXPECT_STREQ(atRoot, text);
  EXPECT_EQ(readThroughNull, 0);
  EXPECT_EQ(throughNull[0], 0);
}

}  // namespace
