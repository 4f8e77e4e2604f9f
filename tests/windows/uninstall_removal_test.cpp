// The uninstaller's file operations against the real file system: folders
// it never removes, files it cannot remove, and files it must not.
#include "file_system.h"
#include "removal.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

std::wstring KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

TEST(UninstallRemoval, NeverRemovesARootOrAFolderOfTheSystem) {
  // A user may install straight into any of these; uninstalling must not
  // take the folder away even when it is left empty.
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_APPDATA,
                    CSIDL_LOCAL_APPDATA, CSIDL_COMMON_PROGRAMS, CSIDL_WINDOWS}) {
    std::wstring folder = KnownFolder(csidl);
    ASSERT_FALSE(folder.empty()) << csidl;
    EXPECT_FALSE(MayRemoveFolder(folder.c_str())) << csidl;
    EXPECT_FALSE(MayRemoveFolder((folder + L"\\").c_str())) << csidl;
  }
  EXPECT_FALSE(MayRemoveFolder(L"c:/program files/"));  // however it is spelled
  EXPECT_FALSE(MayRemoveFolder(L"C:\\"));
  EXPECT_TRUE(MayRemoveFolder(L"C:\\Program Files\\Velunora\\"));
}

TEST(UninstallRemoval, RemovesAnEmptyFolderAndQuietlyKeepsAFullOne) {
  ScratchFolder scratch;
  ASSERT_TRUE(CreateDirectoryW(scratch.Path(L"Empty").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(scratch.Path(L"Full").c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(scratch.Path(L"Full\\user file.txt"), "x", 1));
  RemovalReport report = {};
  RemoveFolderIfEmpty(scratch.Path(L"Empty\\").c_str(), LinkTrust::AdministratorsOnly, &report);
  RemoveFolderIfEmpty(scratch.Path(L"Full\\").c_str(), LinkTrust::AdministratorsOnly, &report);
  RemoveFolderIfEmpty(scratch.Path(L"Missing\\").c_str(), LinkTrust::AdministratorsOnly, &report);
  EXPECT_EQ(report.removed[FolderKind], 1u);
  EXPECT_EQ(report.failureCount, 0u);
  EXPECT_EQ(scratch.List(), (std::vector<std::wstring>{L"Full\\", L"Full\\user file.txt"}));
}

TEST(UninstallRemoval, AFileInUseIsNamedAndTheOthersGo) {
  ScratchFolder scratch;
  ASSERT_TRUE(WriteFileBytes(scratch.Path(L"Held.exe"), "x", 1));
  ASSERT_TRUE(WriteFileBytes(scratch.Path(L"Free.exe"), "x", 1));
  HANDLE held = CreateFileW(scratch.Path(L"Held.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  RemovalReport report = {};
  RemoveFile(scratch.Path(L"Held.exe").c_str(), ProgramKind, LinkTrust::AdministratorsOnly, &report);
  RemoveFile(scratch.Path(L"Free.exe").c_str(), ProgramKind, LinkTrust::AdministratorsOnly, &report);
  RemoveFile(scratch.Path(L"Never installed.exe").c_str(), ProgramKind, LinkTrust::AdministratorsOnly, &report);
  CloseHandle(held);
  EXPECT_EQ(report.removed[ProgramKind], 1u);
  ASSERT_EQ(report.failureCount, 1u);
  EXPECT_EQ(std::wstring(report.failures[0]), scratch.Path(L"Held.exe") + L": in use by another program");
  EXPECT_EQ(scratch.List(), (std::vector<std::wstring>{L"Held.exe"}));
}

TEST(UninstallRemoval, AProgramGoesOnlyAtTheSizeSetupWrites) {
  // A component never installed may have a user's own file of its name.
  ScratchFolder scratch;
  ASSERT_TRUE(WriteFileBytes(scratch.Path(L"Installed.exe"), "abc", 3));
  ASSERT_TRUE(WriteFileBytes(scratch.Path(L"Users own.exe"), "abcd", 4));
  RemovalReport report = {};
  RemoveFile(scratch.Path(L"Installed.exe").c_str(), ProgramKind, LinkTrust::AdministratorsOnly, &report, 3);
  RemoveFile(scratch.Path(L"Users own.exe").c_str(), ProgramKind, LinkTrust::AdministratorsOnly, &report, 3);
  EXPECT_EQ(report.removed[ProgramKind], 1u);
  EXPECT_EQ(report.kept[ProgramKind] + report.failureCount, 0u);
  EXPECT_EQ(scratch.List(), std::vector<std::wstring>{L"Users own.exe"});
}

TEST(UninstallRemoval, OpensForRemovalOnlyWhatThePathSays) {
  ScratchFolder scratch;
  ASSERT_TRUE(WriteFileBytes(scratch.Path(L"file.exe"), "abcde", 5));
  ASSERT_TRUE(CreateDirectoryW(scratch.Path(L"folder").c_str(), nullptr));
  UniqueHandle handle;
  uint64_t bytes = 0;
  EXPECT_EQ(OpenToRemove(scratch.Path(L"file.exe").c_str(), EntryKind::File, DELETE, kShareAll,
                         LinkTrust::AdministratorsOnly, &handle, &bytes),
            0u);
  EXPECT_EQ(bytes, 5u);
  EXPECT_EQ(OpenToRemove(scratch.Path(L"folder\\").c_str(), EntryKind::Folder, DELETE, kShareAll,
                         LinkTrust::AdministratorsOnly, &handle, nullptr),
            0u);
  EXPECT_EQ(OpenToRemove(scratch.Path(L"file.exe").c_str(), EntryKind::Folder, DELETE, kShareAll,
                         LinkTrust::AdministratorsOnly, &handle, nullptr),
            DWORD(ERROR_DIRECTORY));
  EXPECT_FALSE(handle.Valid());
  EXPECT_NE(OpenToRemove(scratch.Path(L"folder").c_str(), EntryKind::File, DELETE, kShareAll,
                         LinkTrust::AdministratorsOnly, &handle, nullptr),
            0u);
  EXPECT_FALSE(handle.Valid());
}

}  // namespace
