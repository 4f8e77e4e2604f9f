#include "shell_files.h"

#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "file_security.h"
#include "test_support.h"

namespace {

using Listing = std::vector<std::wstring>;

TEST(CreateDirectoryChain, CreatesEachMissingFolderOfEveryPathForm) {
  ScratchFolder scratch;
  std::wstring root = scratch.Path();  // C:\users\...\Temp\velunora-test-N\ (drive form)

  EXPECT_EQ(CreateDirectoryChain((root + L"A\\B\\").c_str()), 1);
  EXPECT_EQ(scratch.List(), (Listing{L"A\\", L"A\\B\\"}));

  // Without a trailing separator the last part names no folder.
  EXPECT_EQ(CreateDirectoryChain((root + L"C\\D").c_str()), 1);
  // Slashes separate as well, and the folders are created as written.
  EXPECT_EQ(CreateDirectoryChain((root + L"E/F/").c_str()), 1);
  // Existing folders are fine.
  EXPECT_EQ(CreateDirectoryChain((root + L"A\\B\\").c_str()), 1);
  EXPECT_EQ(scratch.List(), (Listing{L"A\\", L"A\\B\\", L"C\\", L"E\\", L"E\\F\\"}));

  // Rooted (on the current drive) and relative (below the current folder).
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW((root + L"A").c_str()));
  EXPECT_EQ(CreateDirectoryChain(L"R\\S\\"), 1);
  std::wstring rooted = root.substr(2) + L"G\\H\\";  // drop "C:"
  EXPECT_EQ(CreateDirectoryChain(rooted.c_str()), 1);
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(scratch.List(),
            (Listing{L"A\\", L"A\\B\\", L"A\\R\\", L"A\\R\\S\\", L"C\\", L"E\\", L"E\\F\\", L"G\\", L"G\\H\\"}));

  // Nothing to do.
  EXPECT_EQ(CreateDirectoryChain(L""), 1);
  EXPECT_EQ(CreateDirectoryChain(L"C:\\"), 1);
}

TEST(CreateDirectoryChain, StopsAtAFileInTheWay) {
  ScratchFolder scratch;
  ASSERT_TRUE(WriteFileBytes(scratch.Path(L"A"), "x", 1));
  EXPECT_EQ(CreateDirectoryChain(scratch.Path(L"A\\B\\C\\").c_str()), 0);
  EXPECT_EQ(scratch.List(), (Listing{L"A"}));
}

TEST(CreateDirectoryChain, FailsOnAShareThatDoesNotExist) {
  EXPECT_EQ(CreateDirectoryChain(L"\\\\nosuchserver\\share\\Apps\\"), 0);
}

// `root` followed by folders of `letter`, at most 60 units each, to a path
// of exactly `units` units with its trailing backslash. Each folder's path
// relative to `root` goes into `folders`.
std::wstring ChainOfLength(const std::wstring& root, wchar_t letter, size_t units, Listing* folders) {
  std::wstring path = root, relative;
  while (path.size() < units) {
    size_t rest = units - path.size();
    size_t part = rest <= 61 ? rest - 1 : std::min<size_t>(60, rest - 3);  // never leave a single unit
    relative += std::wstring(part, letter) + L"\\";
    path = root + relative;
    folders->push_back(relative);
  }
  return path;
}

TEST(CreateDirectoryChain, HandlesEveryLengthTheFolderFieldsHold) {
  ScratchFolder scratch;
  // 299 units and the terminator fill a folder field exactly.
  Listing made;
  std::wstring longest = ChainOfLength(scratch.Path(), L'p', 299, &made);
  ASSERT_EQ(longest.size(), 299u);
  EXPECT_EQ(CreateDirectoryChain(longest.c_str()), 1);
  EXPECT_EQ(scratch.List(), made);

  // One unit more does not fit: refused before anything is made.
  Listing none;
  std::wstring tooLong = ChainOfLength(scratch.Path(), L'q', 300, &none);
  ASSERT_EQ(tooLong.size(), 300u);
  EXPECT_EQ(CreateDirectoryChain(tooLong.c_str()), 0);
  EXPECT_EQ(scratch.List(), made);
}

TEST(CreateShortcut, SavesALinkThatPointsAtTheProgram) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  ScratchFolder scratch;
  std::wstring program = scratch.Path(L"Talvex.exe");
  ASSERT_TRUE(WriteFileBytes(program, "MZ", 2));
  std::wstring shortcut = scratch.Path(L"Talvex.lnk");
  EXPECT_EQ(CreateShortcut(program.c_str(), shortcut.c_str()), S_OK);
  EXPECT_EQ(ShortcutTarget(shortcut), program);

  // A shortcut into a folder that does not exist fails with the save's code.
  HRESULT missing = CreateShortcut(program.c_str(), scratch.Path(L"none\\Talvex.lnk").c_str());
  EXPECT_TRUE(FAILED(missing)) << std::hex << missing;
  EXPECT_EQ(scratch.List(), (Listing{L"Talvex.exe", L"Talvex.lnk"}));
  CoUninitialize();
}

TEST(CreateShortcut, ReportsCOMNotInitialisedOnTheThread) {
  struct Result {
    HRESULT hr;
    std::wstring shortcut;
  } result = {S_OK, L""};
  ScratchFolder scratch;
  result.shortcut = scratch.Path(L"x.lnk");
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        Result* r = static_cast<Result*>(p);
        r->hr = CreateShortcut(L"C:\\windows\\notepad.exe", r->shortcut.c_str());
        return 0;
      },
      &result, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  EXPECT_EQ(result.hr, CO_E_NOTINITIALIZED);
  EXPECT_TRUE(scratch.List().empty());
}

// The permissions the programs give, as the system reads the descriptors it
// made from their texts. Wine keeps no DACL on a file (it maps one to Unix
// permissions and reads back what those allow), so a folder's own cannot be
// read back here.
TEST(FileSecurity, TheSystemReadsTheDescriptorsAsIntended) {
  const wchar_t kReadAndExecute[] = L"0x1200a9";
  struct Case {
    Protection protection;
    std::wstring text;
  } cases[] = {
      {Protection::InstallFolder, std::wstring(L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;") + kReadAndExecute +
                                      L";;;BU)(A;OICI;" + kReadAndExecute + L";;;AC)(A;OICI;" + kReadAndExecute +
                                      L";;;S-1-15-2-2)"},
      {Protection::InstallFile, std::wstring(L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;") + kReadAndExecute + L";;;BU)(A;;" +
                                    kReadAndExecute + L";;;AC)(A;;" + kReadAndExecute + L";;;S-1-15-2-2)"},
      {Protection::AdministratorsOnly, L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"},
  };
  for (const Case& c : cases) {
    LocalMemory descriptor;
    ASSERT_TRUE(MakeDescriptor(c.protection, &descriptor));
    EXPECT_TRUE(IsValidSecurityDescriptor(descriptor.Get()));
    wchar_t* text = nullptr;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor.Get(), SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr));
    EXPECT_EQ(std::wstring(text), c.text);
    LocalFree(text);
  }
}

}  // namespace
