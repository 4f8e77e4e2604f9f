// InitPaths against the prefix's real registry and file system, with the
// payload setup.exe carries linked into this test program.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "carried_payload.h"
#include "payload_loader.h"
#include "test_support.h"

namespace {

const wchar_t kKey[] = L"Software\\Velunora";

struct Folders {
  std::wstring install, browse, startMenu;
};

// Runs InitPaths with AppPath as given (or absent) and returns the folders.
Folders InitPathsWith(DWORD type, const void* data, DWORD bytes) {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey);
  if (data) {
    HKEY key;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
    EXPECT_EQ(RegSetValueExW(key, L"AppPath", 0, type, static_cast<const BYTE*>(data), bytes), 0);
    RegCloseKey(key);
  }
  TestContext t;
  EXPECT_EQ(InitPaths(&t.context), 1);
  return {t.context.installDir, t.context.browseDir, t.context.startMenuDir};
}

Folders WithText(const std::wstring& path, DWORD type = REG_SZ) {
  return InitPathsWith(type, path.c_str(), DWORD((path.size() + 1) * sizeof(wchar_t)));
}

const std::wstring kDefaultInstall = L"C:\\Program Files\\Velunora\\";
const std::wstring kDefaultBrowse = L"C:\\Program Files\\";
const std::wstring kStartMenu = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Velunora\\";

class InitPathsTest : public ::testing::Test {
 protected:
  ScopedHklmTree cleanup_{kKey};
  ScratchFolder scratch_;
};

TEST_F(InitPathsTest, UsesTheDefaultsWithoutAPreviousInstallation) {
  Folders f = InitPathsWith(0, nullptr, 0);  // no key
  EXPECT_EQ(f.install, kDefaultInstall);
  EXPECT_EQ(f.browse, kDefaultBrowse);
  EXPECT_EQ(f.startMenu, kStartMenu);

  HKEY key;  // the key, but no value
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
  RegCloseKey(key);
  TestContext t;
  ASSERT_EQ(InitPaths(&t.context), 1);
  EXPECT_EQ(std::wstring(t.context.installDir), kDefaultInstall);
  EXPECT_EQ(std::wstring(t.context.browseDir), kDefaultBrowse);
}

TEST_F(InitPathsTest, OffersAnExistingFolderAsItWasRecorded) {
  std::wstring apps = scratch_.Path(L"Apps");
  ASSERT_TRUE(CreateDirectoryW(apps.c_str(), nullptr));
  struct Case {
    std::wstring stored, install, browse;
  } cases[] = {
      {apps, apps + L"\\", apps},
      {apps + L"\\", apps + L"\\", apps + L"\\"},
      {apps + L"/", apps + L"\\", apps + L"/"},
  };
  for (const Case& c : cases) {
    Folders f = WithText(c.stored);
    EXPECT_EQ(f.install, c.install);
    EXPECT_EQ(f.browse, c.browse);
    EXPECT_EQ(f.startMenu, kStartMenu);
  }
}

TEST_F(InitPathsTest, FallsBackSilentlyOnAnythingButAnExistingFolder) {
  std::wstring file = scratch_.Path(L"file.txt");
  ASSERT_TRUE(WriteFileBytes(file, "x", 1));
  for (const std::wstring& stored : {file, scratch_.Path(L"missing"), std::wstring(L"")}) {
    Folders f = WithText(stored);
    EXPECT_EQ(f.install, kDefaultInstall);
    EXPECT_EQ(f.browse, kDefaultBrowse);
  }
  DWORD number = 5;
  Folders f = InitPathsWith(REG_DWORD, &number, 4);
  EXPECT_EQ(f.install, kDefaultInstall);
}

// Read as text, the number 46 is ".", and 0x003A0043 is "C:": both existing
// folders, relative to wherever setup.exe was started. Only a folder named
// in full is offered again.
TEST_F(InitPathsTest, OffersOnlyAFolderNamedInFull) {
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(scratch_.Path().c_str()));
  ASSERT_TRUE(CreateDirectoryW(L"Apps", nullptr));
  for (DWORD number : {DWORD(46), DWORD(0x003A0043)}) {
    Folders f = InitPathsWith(REG_DWORD, &number, 4);
    EXPECT_EQ(f.install, kDefaultInstall) << number;
  }
  for (const wchar_t* relative : {L".", L"Apps", L"C:", L"C:Apps", L"\\Apps"}) {
    EXPECT_EQ(WithText(relative).install, kDefaultInstall) << relative;
  }
  SetCurrentDirectoryW(previous);
}

// A folder whose path is exactly `length` characters, made of nested parts.
std::wstring FolderOfLength(const std::wstring& root, size_t length) {
  std::wstring path = root.substr(0, root.size() - 1);  // without its backslash
  while (path.size() < length) {
    size_t part = std::min<size_t>(50, length - path.size() - 1);
    path += L"\\" + std::wstring(part, L'd');
    CreateDirectoryW(path.c_str(), nullptr);
  }
  return path;
}

TEST_F(InitPathsTest, ReadsAtMost235Characters) {
  std::wstring fits = FolderOfLength(scratch_.Path(), 235);
  ASSERT_EQ(fits.size(), 235u);
  ASSERT_NE(GetFileAttributesW(fits.c_str()), INVALID_FILE_ATTRIBUTES);
  Folders f = WithText(fits);
  EXPECT_EQ(f.install, fits + L"\\");
  EXPECT_EQ(f.browse, fits);

  std::wstring longer = FolderOfLength(scratch_.Path(), 236);
  ASSERT_EQ(longer.size(), 236u);
  ASSERT_NE(GetFileAttributesW(longer.c_str()), INVALID_FILE_ATTRIBUTES);
  f = WithText(longer);
  EXPECT_EQ(f.install, kDefaultInstall);
  EXPECT_EQ(f.browse, kDefaultBrowse);
}

TEST_F(InitPathsTest, TakesAnyTypeAsTextAndExpandsNothing) {
  std::wstring apps = scratch_.Path(L"Apps");
  ASSERT_TRUE(CreateDirectoryW(apps.c_str(), nullptr));
  Folders f = WithText(apps, REG_EXPAND_SZ);
  EXPECT_EQ(f.install, apps + L"\\");
  // %SystemDrive% would name an existing folder once expanded; unexpanded it names none.
  f = WithText(L"%SystemDrive%\\", REG_EXPAND_SZ);
  EXPECT_EQ(f.install, kDefaultInstall);
}

std::wstring Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
  EXPECT_TRUE(length > 0 && length < MAX_PATH);
  return value;
}

// setup-user.exe stays in the user's profile: the user's own programs folder
// (%LOCALAPPDATA%\Programs, made when it is missing) and Start menu, and the
// AppPath of the user's own key, never the machine's.
TEST_F(InitPathsTest, TheSingleUserEditionOffersTheUsersOwnFolders) {
  const std::wstring programs = Environment(L"LOCALAPPDATA") + L"\\Programs";
  const std::wstring startMenu = Environment(L"APPDATA") + L"\\Microsoft\\Windows\\Start Menu\\Programs\\Velunora\\";
  RemoveDirectoryW(programs.c_str());
  ASSERT_EQ(GetFileAttributesW(programs.c_str()), INVALID_FILE_ATTRIBUTES) << "an empty programs folder to start with";
  {
    TestContext t(kSingleUserEdition);
    ASSERT_EQ(InitPaths(&t.context), 1);
    EXPECT_EQ(std::wstring(t.context.installDir), programs + L"\\Velunora\\");
    EXPECT_EQ(std::wstring(t.context.browseDir), programs + L"\\");
    EXPECT_EQ(std::wstring(t.context.startMenuDir), startMenu);
  }
  EXPECT_NE(GetFileAttributesW(programs.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  RemoveDirectoryW(programs.c_str());

  // Each edition reads AppPath below its own root.
  struct RemoveUserKey {
    ~RemoveUserKey() { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
  } removeUserKey;
  std::wstring machineFolder = scratch_.Path(L"Machine"), userFolder = scratch_.Path(L"User");
  ASSERT_TRUE(CreateDirectoryW(machineFolder.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(userFolder.c_str(), nullptr));
  HKEY key;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    const std::wstring& folder = root == HKEY_CURRENT_USER ? userFolder : machineFolder;
    ASSERT_EQ(RegCreateKeyExW(root, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
    LONG set = RegSetValueExW(key, L"AppPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                              DWORD((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    ASSERT_EQ(set, 0);
  }
  std::wstring offered[2];
  for (int user = 0; user < 2; ++user) {
    TestContext t(user ? kSingleUserEdition : kAllUsersEdition);
    EXPECT_EQ(InitPaths(&t.context), 1);
    offered[user] = t.context.installDir;
  }
  EXPECT_EQ(offered[0], machineFolder + L"\\");
  EXPECT_EQ(offered[1], userFolder + L"\\");
}

TEST(LoadPayload, IndexesTheCarriedPayload) {
  PayloadResource resource;
  PayloadBuffer payload;
  PayloadEntry entries[kPayloadEntryCount] = {};
  ASSERT_EQ(LoadPayload(GetModuleHandleW(nullptr), kCarriedPayload, &resource, &payload, entries), PayloadStatus::Ok);
  const uint32_t offsets[11] = {132, 635, 184955, 385147, 765563, 1205883, 1419899, 1658491, 2034811, 2344571, 2454139};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(entries[i].offset, offsets[i]) << i;
  EXPECT_NE(resource.bytes, nullptr);
  EXPECT_EQ(payload.capacity, kPayloadCapacity);
}

TEST(LoadPayload, ReportsAModuleWithoutPayload) {
  TestContext t;
  t.context.instance = GetModuleHandleW(L"kernel32.dll");
  PayloadResource resource;
  EXPECT_EQ(LoadPayload(t.context.instance, kCarriedPayload, &resource, &t.context.payload, t.context.entries),
            PayloadStatus::ResourceMissing);
  EXPECT_EQ(resource.bytes, nullptr);
  EXPECT_EQ(t.context.payload.data, nullptr);
  // And InitPaths fails on it, leaving the folders empty.
  EXPECT_EQ(InitPaths(&t.context), 0);
  EXPECT_EQ(t.context.installDir[0], 0);
}

}  // namespace
