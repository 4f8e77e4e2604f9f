// Acting on setup.exe's windows from another process, as a user would:
// finding the frame and its pages, reading controls, clicking buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

constexpr DWORD kWaitMs = 30000;

struct Setup {
  PROCESS_INFORMATION process = {};
  HWND frame = nullptr;
  HWND pages[4] = {};  // license, components, folder, progress
};

// Starts `path` and waits for its frame and four pages; false on timeout.
// Without `currentDirectory` the program starts in the driver's own.
bool LaunchSetup(const std::wstring& path, Setup* setup, const wchar_t* currentDirectory = nullptr);
// The two halves of LaunchSetup, for a driver with other work meanwhile.
bool StartSetup(const std::wstring& path, Setup* setup, const wchar_t* currentDirectory = nullptr);
bool WaitForWizard(Setup* setup);
bool StartProcess(const std::wstring& path, PROCESS_INFORMATION* process, const std::wstring& arguments = L"",
                  const wchar_t* currentDirectory = nullptr);
// Waits for the process to end; false on timeout (it is then terminated).
bool WaitForExit(Setup* setup, DWORD* exitCode, DWORD milliseconds = kWaitMs);

// Polls `condition` every 20 ms until it holds or the time is up.
template <typename F>
bool WaitUntil(F condition, DWORD milliseconds = kWaitMs) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > milliseconds) return false;
    Sleep(20);
  }
  return true;
}

// Reading a window or control that is not there fails the scenario (and
// reads as "", false or 0).
std::wstring ReadText(HWND window);
std::wstring ControlText(HWND page, int id);
bool IsChecked(HWND page, int id);
bool IsEnabled(HWND page, int id);
bool IsVisible(HWND page, int id);
int ProgressPosition(HWND page);
std::vector<std::wstring> ListLines(HWND list);
int VisiblePage(const Setup& setup);  // -1 when none or several are visible

// Clicks a button as a user would: a disabled one cannot be clicked (false).
// `post` for clicks that open modal UI, which a sent message would wait for.
// (Wine's buttons act on BM_CLICK even when disabled, so the driver checks.)
bool Click(HWND page, int id, bool post = false);
// Clicks a check box and expects its tick to change; false when it did not.
bool Toggle(HWND page, int id);

// Waits until setup.exe's thread has handled every message posted to it
// before the call, which is how a negative check knows that the program has
// had its chance to act: a marker posted behind them must come through.
// False on timeout, or when the window is gone.
bool WaitUntilHandled(const Setup& setup);

// A visible top-level dialog of the process other than the frame (the folder
// picker or a message box), or null.
HWND FindOwnedDialog(DWORD processId, HWND exclude);
// Selects `path` in an open folder picker (the path is written into the
// wizard's own memory first) and presses OK or Cancel.
bool AnswerFolderPicker(const Setup& setup, HWND picker, const std::wstring& path, bool ok);
