// What every later Windows test relies on from its environment: a 64-bit
// process under a Windows 10 version, a writable registry and file system of
// its own prefix, and the folders the setup program installs into.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(WinePlatform, RegistryValuesRoundTrip) {
  const wchar_t* key = L"Software\\VelunoraTests\\Platform";
  HKEY h;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  const wchar_t data[] = L"round trip";
  ASSERT_EQ(RegSetValueExW(h, L"v", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data), ERROR_SUCCESS);
  wchar_t back[32] = {};
  DWORD size = sizeof back;
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueExW(h, L"v", nullptr, &type, reinterpret_cast<BYTE*>(back), &size), ERROR_SUCCESS);
  RegCloseKey(h);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(size, sizeof data);
  EXPECT_STREQ(back, data);
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VelunoraTests"), ERROR_SUCCESS);
}

TEST(WinePlatform, ReportsWindows10AndTheInstallFolders) {
  // RtlGetVersion reports the configured version whatever the manifest says.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  ASSERT_NE(rtlGetVersion, nullptr);
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_EQ(rtlGetVersion(&version), 0);
  EXPECT_EQ(version.dwMajorVersion, 10u);

  wchar_t path[MAX_PATH];
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
  EXPECT_STREQ(path, L"C:\\Program Files");
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
  EXPECT_STREQ(path, L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
}

}  // namespace
