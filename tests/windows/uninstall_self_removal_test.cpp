// The uninstaller's self-removal against the real system: what its
// finishing run checks before it trusts what it was started with, how the
// finishing copy ends in each branch, and the sweep of copies an earlier run
// left. The Windows folder's Temp and the user's temporary folder are
// played by scratch folders.
#include "self_removal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components.h"
#include "owners.h"
#include "removal.h"
#include "test_support.h"
#include "trusted_paths.h"

namespace {

const wchar_t kStandInEvent[] = L"VelunoraHandOffStandIn";

class RecordedRestart final : public RestartDeletes {
 public:
  explicit RecordedRestart(bool accept) : accept_(accept) {}
  bool Schedule(const wchar_t* path) override {
    scheduled.push_back(path);
    return accept_;
  }
  std::vector<std::wstring> scheduled;

 private:
  bool accept_;
};

std::wstring BesideTest(const wchar_t* name) {
  wchar_t self[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, length);
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WriteSized(const std::wstring& path, size_t bytes, char last = 'x') {
  std::string data(bytes, 'x');
  if (bytes) data.back() = last;
  return WriteFileBytes(path, data.data(), data.size());
}

// Held as the uninstaller holds its copy: inheritable, deleted on close.
UniqueHandle HoldForDeletion(const std::wstring& path) {
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  return UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  &inheritable, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

UniqueHandle OpenForReading(const std::wstring& path) {
  return UniqueHandle(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
}

// Lets the stand-in end; true once the file it held has gone with it.
bool GoneOnceReleased(const std::wstring& path, HANDLE release) {
  SetEvent(release);
  for (int i = 0; i < 400 && Exists(path); ++i) Sleep(50);
  return !Exists(path);
}

TEST(FinishingRunGuard, TrustsOnlyTheProcessAndFilesItCanCheck) {
  wchar_t processor[MAX_PATH];
  ASSERT_TRUE(HandOffProgram(processor, MAX_PATH));
  wchar_t command[] = L"cmd.exe /d /c exit";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  ASSERT_TRUE(CreateProcessW(processor, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                             &started));
  UniqueHandle process(started.hProcess), thread(started.hThread);
  ASSERT_EQ(WaitForSingleObject(process.Get(), 30000), WAIT_OBJECT_0);
  EXPECT_TRUE(IsProcessOf(process.Get(), processor));  // also once it has ended
  EXPECT_FALSE(IsProcessOf(process.Get(), BesideTest(L"cmd.exe").c_str()));
  UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  EXPECT_FALSE(IsProcessOf(event.Get(), processor));

  ScratchFolder scratch;
  ASSERT_TRUE(WriteSized(scratch.Path(L"a.exe"), 20000));
  ASSERT_TRUE(WriteSized(scratch.Path(L"same.exe"), 20000));
  ASSERT_TRUE(WriteSized(scratch.Path(L"last byte.exe"), 20000, 'y'));  // past the first block read
  ASSERT_TRUE(WriteSized(scratch.Path(L"longer.exe"), 20001));
  UniqueHandle a = OpenForReading(scratch.Path(L"a.exe"));
  ASSERT_TRUE(a.Valid());
  EXPECT_TRUE(IsFileAt(a.Get(), scratch.Path(L"a.exe").c_str()));
  EXPECT_FALSE(IsFileAt(a.Get(), scratch.Path(L"same.exe").c_str()));
  EXPECT_FALSE(IsFileAt(event.Get(), scratch.Path(L"a.exe").c_str()));
  struct Case {
    const wchar_t* other;
    bool same;
  } cases[] = {{L"same.exe", true}, {L"last byte.exe", false}, {L"longer.exe", false}};
  for (const Case& c : cases) {
    UniqueHandle first = OpenForReading(scratch.Path(L"a.exe"));
    UniqueHandle second = OpenForReading(scratch.Path(c.other));
    ASSERT_TRUE(first.Valid() && second.Valid());
    EXPECT_EQ(SameContent(first.Get(), second.Get()), c.same) << c.other;
  }
}

// For all users: the copy moves out of its folder and the folder goes. A
// kept copy leaves its file to the process that started it; a copy started
// alone hands it to a short-lived process, which inherits that one handle
// and nothing else the copy holds, and leaves it to the restart as well, in
// case that process ends first.
TEST(FinishingCopyEnd, LeavesItsFileToAProcessThatOutlivesItAndNoFolder) {
  for (bool kept : {true, false}) {
    ScratchFolder windowsTemp;
    const std::wstring folder = windowsTemp.Path(L"vlu1\\"), copy = folder + L"vlu1.exe";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteSized(copy, 64));
    ASSERT_TRUE(WriteSized(windowsTemp.Path(L"other.exe"), 64));
    UniqueHandle held = HoldForDeletion(copy), other = HoldForDeletion(windowsTemp.Path(L"other.exe"));
    ASSERT_TRUE(held.Valid() && other.Valid());
    UniqueHandle keeper;  // the process that started a kept copy
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), held.Get(), GetCurrentProcess(), keeper.Put(), 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    if (!kept) keeper.Reset();
    UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, kStandInEvent));
    ASSERT_TRUE(release.Valid());

    RecordedRestart restart(true);
    EXPECT_EQ(
        EndFinishingCopy(copy.c_str(), held.Get(), kept, true, BesideTest(L"hand_off_stand_in.exe").c_str(), restart),
        HandedOff);
    EXPECT_EQ(restart.scheduled,
              kept ? std::vector<std::wstring>{} : std::vector<std::wstring>{windowsTemp.Path(L"vlu1.exe")});
    held.Reset();  // as the copy's end closes it
    other.Reset();
    EXPECT_EQ(windowsTemp.List(), std::vector<std::wstring>{L"vlu1.exe"}) << "kept " << kept;
    keeper.Reset();
    EXPECT_TRUE(GoneOnceReleased(windowsTemp.Path(L"vlu1.exe"), release.Get())) << "kept " << kept;
  }
}

TEST(FinishingCopyEnd, WhatCannotBeHandedOffIsLeftToTheRestartOrTheNextStart) {
  const std::wstring missing = BesideTest(L"no such program.exe");
  struct Case {
    const char* what;
    bool machineWide;
    bool withHandle;
    bool restartAccepts;
    CopyEnd end;
    std::vector<std::wstring> scheduled;  // relative to the scratch folder
    std::vector<std::wstring> left;
  } cases[] = {
      {"all users", true, true, true, RemovedAtRestart, {L"vlu1.exe"}, {L"vlu1.exe"}},
      {"all users, restart refused", true, true, false, LeftForNextStart, {L"vlu1.exe"}, {L"vlu1.exe"}},
      // Without its handle the copy cannot move: file first, then its folder.
      {"all users, no handle",
       true,
       false,
       true,
       RemovedAtRestart,
       {L"vlu1\\vlu1.exe", L"vlu1\\"},
       {L"vlu1\\", L"vlu1\\vlu1.exe"}},
      {"single user", false, true, true, LeftForNextStart, {}, {L"vlu1\\", L"vlu1\\vlu1.exe"}},
  };
  for (const Case& c : cases) {
    ScratchFolder temp;
    const std::wstring copy = temp.Path(L"vlu1\\vlu1.exe");
    ASSERT_TRUE(CreateDirectoryW(temp.Path(L"vlu1").c_str(), nullptr));
    ASSERT_TRUE(WriteSized(copy, 64));
    UniqueHandle held = HoldForDeletion(copy);
    ASSERT_TRUE(held.Valid());
    RecordedRestart restart(c.restartAccepts);
    EXPECT_EQ(EndFinishingCopy(copy.c_str(), c.withHandle ? held.Get() : nullptr, false, c.machineWide, missing.c_str(),
                               restart),
              c.end)
        << c.what;
    std::vector<std::wstring> scheduled;
    for (const std::wstring& path : c.scheduled) scheduled.push_back(temp.Path(path));
    EXPECT_EQ(restart.scheduled, scheduled) << c.what;
    EXPECT_EQ(temp.List(), c.left) << c.what;
  }
}

TEST(StaleCopies, OnlyUninstallerCopiesThatNothingHoldsAreSwept) {
  ScratchFolder temp;
  const size_t allUsers = kUninstallers[0].bytes, singleUser = kUninstallers[1].bytes;
  ASSERT_TRUE(WriteSized(temp.Path(L"vluA.exe"), allUsers));
  ASSERT_TRUE(WriteSized(temp.Path(L"VLUb.EXE"), singleUser));
  ASSERT_TRUE(WriteSized(temp.Path(L"vluRunning.exe"), allUsers));
  ASSERT_TRUE(WriteSized(temp.Path(L"vluSmall.exe"), 4096));
  ASSERT_TRUE(WriteSized(temp.Path(L"other.exe"), allUsers));
  ASSERT_TRUE(WriteSized(temp.Path(L"vluC.exex"), allUsers));
  ASSERT_TRUE(CreateDirectoryW(temp.Path(L"vluD.exe").c_str(), nullptr));
  // A copy still running holds its file with delete access, as the
  // uninstaller handed it over (here without deleting it on close, so that
  // what the sweep did to it shows once the handle is closed).
  UniqueHandle running(CreateFileW(temp.Path(L"vluRunning.exe").c_str(), GENERIC_READ | DELETE,
                                   FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(running.Valid());
  SweepStaleCopies(temp.Path().c_str(), LinkTrust::AdministratorsOnly);
  running.Reset();
  EXPECT_EQ(temp.List(),
            (std::vector<std::wstring>{L"other.exe", L"vluC.exex", L"vluD.exe\\", L"vluRunning.exe", L"vluSmall.exe"}));
}

}  // namespace
