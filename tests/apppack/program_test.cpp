// The App Pack programs as they ship (padded), started the way the shell
// starts them: each names itself, shows what it was opened with, and ends
// cleanly with exit code 0 when closed. The uninstallers are driven end to
// end by the e2e scenarios; here only their first question.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "program_ids.h"

namespace {

std::wstring PaddedProgram(const wchar_t* name) {
  // This test lies in tests/apppack of the build tree, the programs in apppack/padded.
  wchar_t self[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, length);
  path.erase(path.find_last_of(L'\\'));
  return path + L"\\..\\..\\apppack\\padded\\" + name + L".exe";
}

struct Running {
  PROCESS_INFORMATION process = {};
  HWND window = nullptr;
};

struct WindowSearch {
  DWORD processId;
  const wchar_t* cls;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  if (owner == search->processId && lstrcmpW(cls, search->cls) == 0 && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// Starts `name` with `arguments` appended to its quoted path, and waits for
// its top-level window of class `cls`.
Running Start(const wchar_t* name, const std::wstring& arguments, const wchar_t* cls) {
  Running r;
  std::wstring path = PaddedProgram(name);
  std::wstring commandLine = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &r.process)) {
    ADD_FAILURE() << "cannot start " << std::string(path.begin(), path.end()) << ", error " << GetLastError();
    return r;
  }
  WindowSearch search = {r.process.dwProcessId, cls, nullptr};
  for (int i = 0; i < 200 && !search.found; ++i) {
    Sleep(50);
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  }
  r.window = search.found;
  EXPECT_NE(r.window, nullptr) << "no window";
  return r;
}

// WM_GETTEXT, since the window belongs to another process.
std::wstring Text(HWND window) {
  wchar_t text[1024] = {};
  SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return text;
}

DWORD WaitForExit(Running& r) {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(r.process.hProcess, 10000) == WAIT_OBJECT_0) GetExitCodeProcess(r.process.hProcess, &code);
  if (code == STILL_ACTIVE) TerminateProcess(r.process.hProcess, 1);
  CloseHandle(r.process.hThread);
  CloseHandle(r.process.hProcess);
  return code;
}

TEST(AppPackProgram, ShowsTheFileItWasOpenedWithAndClosesCleanly) {
  // A shell verb passes the path quoted, spaces and all.
  Running r = Start(L"Tunebridge", L"\"C:\\Music Folder\\first song.mp3\"", kProgramWindowClass);
  ASSERT_NE(r.window, nullptr);
  EXPECT_EQ(Text(r.window), L"Tunebridge");
  EXPECT_EQ(Text(GetDlgItem(r.window, kIdAbout)), L"Tunebridge is a program of the Velunora App Pack.");
  EXPECT_EQ(Text(GetDlgItem(r.window, kIdOpenedLabel)), L"Opened with:");
  EXPECT_EQ(Text(GetDlgItem(r.window, kIdOpened)), L"C:\\Music Folder\\first song.mp3");
  SendMessageW(GetDlgItem(r.window, IDCANCEL), BM_CLICK, 0, 0);
  EXPECT_EQ(WaitForExit(r), 0u);
}

TEST(AppPackProgram, SaysSoWhenStartedWithoutAFile) {
  Running r = Start(L"Talvex", L"", kProgramWindowClass);
  ASSERT_NE(r.window, nullptr);
  EXPECT_EQ(Text(r.window), L"Talvex");
  EXPECT_EQ(Text(GetDlgItem(r.window, kIdOpenedLabel)), L"Started without a file or folder.");
  EXPECT_EQ(Text(GetDlgItem(r.window, kIdOpened)), L"");
  PostMessageW(r.window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForExit(r), 0u);
}

// Started by hand from the build tree, the uninstallers ask first; on No
// they end and leave even their own file in place.
TEST(AppPackUninstaller, AsksFirstAndRemovesNothingOnNo) {
  for (const wchar_t* name : {L"uninstall", L"uninstall-single-user"}) {
    Running r = Start(name, L"", L"#32770");
    ASSERT_NE(r.window, nullptr);
    EXPECT_EQ(Text(r.window), L"Velunora App Pack Uninstall");
    EXPECT_EQ(Text(GetDlgItem(r.window, 0xFFFF)),
              L"Remove Velunora App Pack and all of its components from this computer?");
    SendMessageW(GetDlgItem(r.window, IDNO), BM_CLICK, 0, 0);
    EXPECT_EQ(WaitForExit(r), 0u);
    EXPECT_NE(GetFileAttributesW(PaddedProgram(name).c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

}  // namespace
