// Opening what the programs write and remove, against Wine's file system.
// Links themselves can only be made from outside Wine: the end-to-end
// scenarios try those.
#include "trusted_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "windows_files.h"

namespace {

const TrustedOpen kWriteFile = {GENERIC_WRITE, 0, OPEN_ALWAYS, EntryKind::File};

// Windows hands out 8.3 names for long ones (TEMP for a long user name):
// what is opened through one is where its long form says.
TEST(OpenTrusted, AShortNameOnTheWayLeadsToItsLongFolder) {
  ScratchFolder scratch;
  const std::wstring folder = scratch.Path(L"A Long Folder Name");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  wchar_t shortForm[MAX_PATH];
  DWORD length = GetShortPathNameW(folder.c_str(), shortForm, MAX_PATH);
  ASSERT_TRUE(length > 0 && length < MAX_PATH);
  ASSERT_NE(std::wstring(shortForm), folder);
  UniqueHandle file;
  bool created = false;
  EXPECT_EQ(OpenTrusted((std::wstring(shortForm) + L"\\new.exe").c_str(), kWriteFile, LinkTrust::AdministratorsOnly,
                        &file, &created),
            DWORD(ERROR_SUCCESS));
  EXPECT_TRUE(created);
  file.Reset();
  EXPECT_EQ(scratch.List(), (std::vector<std::wstring>{L"A Long Folder Name\\", L"A Long Folder Name\\new.exe"}));
}

// An entry of the wrong kind is refused after the open: what the open made
// goes again, and what was there before stays as it was.
TEST(OpenTrusted, WhatItRefusesItLeavesAsItFoundIt) {
  ScratchFolder scratch;
  ASSERT_TRUE(WriteFileBytes(scratch.Path(L"existing.exe"), "abc", 3));
  ASSERT_TRUE(CreateDirectoryW(scratch.Path(L"folder").c_str(), nullptr));
  const TrustedOpen folderAlways = {GENERIC_WRITE, 0, OPEN_ALWAYS, EntryKind::Folder};
  UniqueHandle handle;
  bool created = true;
  EXPECT_EQ(OpenTrusted(scratch.Path(L"new.exe").c_str(), folderAlways, LinkTrust::AnyOwner, &handle, &created),
            DWORD(ERROR_DIRECTORY));
  EXPECT_FALSE(created);
  EXPECT_EQ(OpenTrusted(scratch.Path(L"existing.exe").c_str(), folderAlways, LinkTrust::AnyOwner, &handle),
            DWORD(ERROR_DIRECTORY));
  EXPECT_EQ(OpenTrusted(scratch.Path(L"folder").c_str(), kWriteFile, LinkTrust::AnyOwner, &handle),
            DWORD(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(handle.Valid());
  EXPECT_EQ(scratch.List(), (std::vector<std::wstring>{L"existing.exe", L"folder\\"}));
  std::vector<BYTE> bytes;
  ASSERT_TRUE(ReadFileBytes(scratch.Path(L"existing.exe"), &bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abc");
}

}  // namespace
