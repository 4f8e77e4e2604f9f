#include "payload.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "payload_heap.h"
#include "test_support.h"
#include "trust.h"

namespace {

// As the single-user edition writes: through the user's own links, keeping
// the permissions the folder passes on.
constexpr WriteRule kUsersRule = {LinkTrust::AnyOwner, false};

struct FilledBuffer {
  PayloadBuffer payload = {};
  FilledBuffer() {
    payload.Allocate();
    for (uint32_t i = 0; i < kPayloadCapacity; ++i) payload.data[i] = uint8_t(i * 7 + (i >> 12));
  }
};

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The payload block relies on the heap for its zeros. A small block is the
// one the heap recycles, so a dirty one freed just before shows whether the
// zeros are really asked for.
TEST(PayloadHeap, ZeroedBlocksAreZeroEvenWhenTheHeapRecyclesDirtyMemory) {
  for (uint32_t size : {64u, 4096u, kPayloadCapacity}) {
    void* dirty = PayloadHeapAlloc(size);
    ASSERT_NE(dirty, nullptr);
    std::memset(dirty, 0xAB, size);
    PayloadHeapFree(dirty);
    uint8_t* block = static_cast<uint8_t*>(PayloadHeapAllocZeroed(size));
    ASSERT_NE(block, nullptr);
    uint32_t nonZero = 0;
    for (uint32_t i = 0; i < size; ++i) nonZero += block[i] != 0;
    EXPECT_EQ(nonZero, 0u) << size << " bytes";
    PayloadHeapFree(block);
  }
}

TEST(WriteEntryToFile, RefusesBadArgumentsWithoutTouchingTheFileSystem) {
  FilledBuffer b;
  ScratchFolder scratch;
  std::wstring path = scratch.Path(L"entry.bin");
  PayloadBuffer empty = {};
  EXPECT_EQ(b.payload.WriteEntryToFile(nullptr, 0, 10, nullptr, kUsersRule), PayloadStatus::CannotCreateFile);
  EXPECT_EQ(empty.WriteEntryToFile(path.c_str(), 0, 10, nullptr, kUsersRule), PayloadStatus::CannotCreateFile);
  EXPECT_EQ(b.payload.WriteEntryToFile(path.c_str(), kPayloadCapacity + 1, 0, nullptr, kUsersRule),
            PayloadStatus::CannotCreateFile);
  // An entry that would run past the block: a cut file is never reported as written.
  EXPECT_EQ(b.payload.WriteEntryToFile(path.c_str(), kPayloadCapacity - 10, 11, nullptr, kUsersRule),
            PayloadStatus::CannotCreateFile);
  EXPECT_EQ(b.payload.WriteEntryToFile(path.c_str(), 1, 0xFFFFFFFFu, nullptr, kUsersRule),
            PayloadStatus::CannotCreateFile);
  EXPECT_FALSE(Exists(path));
}

TEST(WriteEntryToFile, WritesExactlyTheEntryAndReplacesAnExistingFile) {
  FilledBuffer b;
  ScratchFolder scratch;
  std::wstring path = scratch.Path(L"entry.bin");
  std::vector<BYTE> old(300000, 0xEE);
  ASSERT_TRUE(WriteFileBytes(path, old.data(), old.size()));

  ASSERT_EQ(b.payload.WriteEntryToFile(path.c_str(), 635, 184320, nullptr, kUsersRule), PayloadStatus::Ok);
  std::vector<BYTE> back;
  ASSERT_TRUE(ReadFileBytes(path, &back));
  ASSERT_EQ(back.size(), 184320u);
  EXPECT_EQ(std::memcmp(back.data(), b.payload.data + 635, back.size()), 0);

  // The last bytes of the block, and empty entries, including one at its very end.
  EXPECT_EQ(b.payload.WriteEntryToFile(path.c_str(), kPayloadCapacity - 5, 5, nullptr, kUsersRule), PayloadStatus::Ok);
  ASSERT_TRUE(ReadFileBytes(path, &back));
  EXPECT_EQ(back, std::vector<BYTE>(b.payload.data + kPayloadCapacity - 5, b.payload.data + kPayloadCapacity));
  for (uint32_t offset : {0u, kPayloadCapacity}) {
    EXPECT_EQ(b.payload.WriteEntryToFile(path.c_str(), offset, 0, nullptr, kUsersRule), PayloadStatus::Ok);
    ASSERT_TRUE(ReadFileBytes(path, &back));
    EXPECT_TRUE(back.empty());
  }
}

TEST(WriteEntryToFile, StampsTheLastWriteTimeOnlyWhenGiven) {
  FilledBuffer b;
  ScratchFolder scratch;
  std::wstring stamped = scratch.Path(L"stamped.exe");
  std::wstring unstamped = scratch.Path(L"unstamped.exe");
  const PayloadTime time = {0x5E1A2B00u, 0x01D9C7A1u};  // August 2023

  FILETIME before;
  GetSystemTimeAsFileTime(&before);
  ASSERT_EQ(b.payload.WriteEntryToFile(stamped.c_str(), 100, 1000, &time, kUsersRule), PayloadStatus::Ok);
  ASSERT_EQ(b.payload.WriteEntryToFile(unstamped.c_str(), 100, 1000, nullptr, kUsersRule), PayloadStatus::Ok);

  WIN32_FILE_ATTRIBUTE_DATA info;
  ASSERT_TRUE(GetFileAttributesExW(stamped.c_str(), GetFileExInfoStandard, &info));
  EXPECT_EQ(info.ftLastWriteTime.dwLowDateTime, time.lowDateTime);
  EXPECT_EQ(info.ftLastWriteTime.dwHighDateTime, time.highDateTime);
  ASSERT_TRUE(GetFileAttributesExW(unstamped.c_str(), GetFileExInfoStandard, &info));
  ULARGE_INTEGER written = {{info.ftLastWriteTime.dwLowDateTime, info.ftLastWriteTime.dwHighDateTime}};
  ULARGE_INTEGER start = {{before.dwLowDateTime, before.dwHighDateTime}};
  // The time of writing (the file system may round down to a second or two).
  EXPECT_GE(written.QuadPart + 20000000ull, start.QuadPart);
}

TEST(WriteEntryToFile, LeavesAFileHeldOpenByAnotherHandleUnchanged) {
  FilledBuffer b;
  ScratchFolder scratch;
  std::wstring path = scratch.Path(L"locked.exe");
  const char original[] = "original content";
  ASSERT_TRUE(WriteFileBytes(path, original, sizeof original));
  HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(b.payload.WriteEntryToFile(path.c_str(), 0, 1000, nullptr, kUsersRule), PayloadStatus::CannotCreateFile);
  CloseHandle(holder);
  std::vector<BYTE> back;
  ASSERT_TRUE(ReadFileBytes(path, &back));
  EXPECT_EQ(back, std::vector<BYTE>(original, original + sizeof original));
}

// Another name of the same file would change with it: a file with a second
// hard link is left as it is. (A reparse point is refused the same way;
// Wine makes none.)
TEST(WriteEntryToFile, LeavesAFileWithAnotherNameUnchanged) {
  FilledBuffer b;
  ScratchFolder scratch;
  std::wstring path = scratch.Path(L"Talvex.exe"), other = scratch.Path(L"notes.txt");
  const char original[] = "someone else's file";
  ASSERT_TRUE(WriteFileBytes(other, original, sizeof original));
  ASSERT_TRUE(CreateHardLinkW(path.c_str(), other.c_str(), nullptr));
  EXPECT_EQ(b.payload.WriteEntryToFile(path.c_str(), 0, 1000, nullptr, kUsersRule), PayloadStatus::CannotCreateFile);
  std::vector<BYTE> back;
  ASSERT_TRUE(ReadFileBytes(other, &back));
  EXPECT_EQ(back, std::vector<BYTE>(original, original + sizeof original));
}

}  // namespace
