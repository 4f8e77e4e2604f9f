#include "registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_support.h"
#include "wide_text.h"

namespace {

TEST(WriteRegistryValue, CreatesMissingKeysAndWritesExactBytes) {
  ScopedHklmTree cleanup(L"Software\\VelunoraTests");
  const wchar_t key[] = L"Software\\VelunoraTests\\a\\b\\c";
  const wchar_t text[] = L"open";
  EXPECT_EQ(WriteRegistryValue(HKEY_LOCAL_MACHINE, key, nullptr, REG_SZ, text, 10), ERROR_SUCCESS);
  DWORD number = 2396;
  EXPECT_EQ(WriteRegistryValue(HKEY_LOCAL_MACHINE, key, L"EstimatedSize", REG_DWORD, &number, 4), ERROR_SUCCESS);

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
  EXPECT_EQ(WriteRegistryValue(HKEY_LOCAL_MACHINE, key, nullptr, REG_SZ, other, 42), ERROR_SUCCESS);
  ASSERT_TRUE(ReadHklmValue(key, nullptr, &type, &data));
  EXPECT_EQ(data.size(), 42u);
  EXPECT_TRUE(ReadHklmValue(key, L"EstimatedSize", &type, &data));
}

TEST(WriteRegistryValue, ReportsAKeyOrValueThatCannotBeWritten) {
  ScopedHklmTree cleanup(L"Software\\VelunoraTests");
  DWORD number = 1;
  EXPECT_NE(WriteRegistryValue(HKEY_LOCAL_MACHINE, nullptr, L"v", REG_DWORD, &number, 4), ERROR_SUCCESS);
  // A key name longer than the registry allows cannot be created.
  std::wstring tooLong = L"Software\\VelunoraTests\\" + std::wstring(300, L'k');
  EXPECT_NE(WriteRegistryValue(HKEY_LOCAL_MACHINE, tooLong.c_str(), L"v", REG_DWORD, &number, 4), ERROR_SUCCESS);
  // The key opens, but the value cannot be set: its data lies nowhere.
  EXPECT_NE(WriteRegistryValue(HKEY_LOCAL_MACHINE, L"Software\\VelunoraTests\\v", L"v", REG_DWORD, nullptr, 4),
            ERROR_SUCCESS);
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
  DWORD atRootBytes = sizeof atRoot, throughNullBytes = sizeof throughNull;
  LONG readAtRoot = ReadRegistryValue(HKEY_CURRENT_USER, L"", name, nullptr, atRoot, &atRootBytes);
  LONG readThroughNull = ReadRegistryValue(HKEY_CURRENT_USER, nullptr, name, nullptr, throughNull, &throughNullBytes);
  RegDeleteValueW(HKEY_CURRENT_USER, name);
  ASSERT_EQ(readAtRoot, ERROR_SUCCESS) << "the value at the root is readable at all";
  EXPECT_STREQ(atRoot, text);
  EXPECT_NE(readThroughNull, ERROR_SUCCESS);
  EXPECT_EQ(throughNull[0], 0);
}

}  // namespace
