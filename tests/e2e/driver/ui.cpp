#include "ui.h"

#include <commctrl.h>
#include <shlobj.h>

#include "expect.h"

namespace {

struct Search {
  DWORD processId;
  HWND exclude;
  HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
  Search* search = reinterpret_cast<Search*>(parameter);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  if (pid == search->processId && window != search->exclude && IsWindowVisible(window) &&
      lstrcmpW(className, L"#32770") == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

struct PageSearch {
  Setup* setup;
};

// The pages are the frame's #32770 children, told apart by a control only
// each of them has.
BOOL CALLBACK FindPage(HWND window, LPARAM parameter) {
  Setup* setup = reinterpret_cast<Setup*>(parameter);
  if (GetParent(window) != setup->frame) return TRUE;
  const int marker[4] = {1004, 1006, 1005, 1018};
  for (int i = 0; i < 4; ++i) {
    if (GetDlgItem(window, marker[i])) setup->pages[i] = window;
  }
  return TRUE;
}

bool CreateProcessIn(const std::wstring& path, PROCESS_INFORMATION* process, const std::wstring& arguments,
                     const wchar_t* currentDirectory) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  std::wstring commandLine = L"\"" + path + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  return CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, currentDirectory, &startup,
                        process) != FALSE;
}

// A control of `page`. One that is not there fails the scenario, so that no
// check can read its absence as hidden, disabled, unchecked or empty.
HWND Control(HWND page, int id) {
  HWND control = GetDlgItem(page, id);
  if (!control) Expect(false, "control %d is there to read or click", id);
  return control;
}

}  // namespace

bool StartProcess(const std::wstring& path, PROCESS_INFORMATION* process, const std::wstring& arguments,
                  const wchar_t* currentDirectory) {
  if (!CreateProcessIn(path, process, arguments, currentDirectory)) return false;
  WaitForInputIdle(process->hProcess, 10000);
  return true;
}

bool StartSetup(const std::wstring& path, Setup* setup, const wchar_t* currentDirectory) {
  *setup = Setup{};
  return CreateProcessIn(path, &setup->process, L"", currentDirectory);
}

bool WaitForWizard(Setup* setup) {
  WaitForInputIdle(setup->process.hProcess, 10000);
  // The frame is the process's visible dialog that holds the four pages;
  // each edition titles it its own way, which the scenarios check.
  return WaitUntil([&] {
    HWND frame = nullptr;
    while ((frame = FindWindowExW(nullptr, frame, L"#32770", nullptr))) {
      DWORD pid = 0;
      GetWindowThreadProcessId(frame, &pid);
      if (pid != setup->process.dwProcessId || !IsWindowVisible(frame)) continue;
      setup->frame = frame;
      for (HWND& page : setup->pages) page = nullptr;
      EnumChildWindows(frame, FindPage, reinterpret_cast<LPARAM>(setup));
      if (setup->pages[0] && setup->pages[1] && setup->pages[2] && setup->pages[3]) return true;
    }
    return false;
  });
}

bool LaunchSetup(const std::wstring& path, Setup* setup, const wchar_t* currentDirectory) {
  return StartSetup(path, setup, currentDirectory) && WaitForWizard(setup);
}

bool WaitForExit(Setup* setup, DWORD* exitCode, DWORD milliseconds) {
  if (!setup->process.hProcess) return false;
  bool ended = WaitForSingleObject(setup->process.hProcess, milliseconds) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(setup->process.hProcess, 99);
  GetExitCodeProcess(setup->process.hProcess, exitCode);
  CloseHandle(setup->process.hProcess);
  CloseHandle(setup->process.hThread);
  setup->process = {};
  return ended;
}

std::wstring ReadText(HWND window) {
  if (!Expect(IsWindow(window) != FALSE, "the window to read is there")) return L"";
  // The text may change between asking its length and reading it, so read
  // until it fits with room to spare.
  for (size_t size = 256;; size *= 4) {
    std::wstring buffer(size, L'\0');
    LRESULT got = SendMessageW(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(&buffer[0]));
    if (size_t(got) + 1 < size) return buffer.substr(0, size_t(got));
  }
}

std::wstring ControlText(HWND page, int id) {
  HWND control = Control(page, id);
  return control ? ReadText(control) : L"";
}

bool IsChecked(HWND page, int id) { return SendMessageW(Control(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool IsEnabled(HWND page, int id) { return IsWindowEnabled(Control(page, id)) != FALSE; }

// The control's own visibility, whether or not its page is shown right now.
bool IsVisible(HWND page, int id) { return (GetWindowLongW(Control(page, id), GWL_STYLE) & WS_VISIBLE) != 0; }

int ProgressPosition(HWND page) { return int(SendMessageW(Control(page, 1019), PBM_GETPOS, 0, 0)); }

std::vector<std::wstring> ListLines(HWND list) {
  std::vector<std::wstring> lines;
  LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
    std::wstring line(size_t(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&line[0]));
    line.resize(size_t(length));
    lines.push_back(line);
  }
  return lines;
}

int VisiblePage(const Setup& setup) {
  int visible = -1;
  for (int i = 0; i < 4; ++i) {
    if (IsWindowVisible(setup.pages[i])) {
      if (visible != -1) return -1;
      visible = i;
    }
  }
  return visible;
}

bool Click(HWND page, int id, bool post) {
  HWND button = Control(page, id);
  if (!button || !IsWindowEnabled(button)) return false;
  if (post) {
    PostMessageW(button, BM_CLICK, 0, 0);
  } else {
    SendMessageW(button, BM_CLICK, 0, 0);
  }
  return true;
}

bool Toggle(HWND page, int id) {
  bool before = IsChecked(page, id);
  return Expect(Click(page, id) && IsChecked(page, id) != before, "check box %d toggled", id);
}

bool WaitUntilHandled(const Setup& setup) {
  // The progress bar's step is a value nothing else sets and that can be
  // read back; each call posts a new one.
  static WPARAM marker = 100;
  HWND bar = GetDlgItem(setup.pages[3], 1019);
  ++marker;
  if (!bar || !PostMessageW(bar, PBM_SETSTEP, marker, 0)) return false;
  auto handled = [&] { return WPARAM(SendMessageW(bar, PBM_GETSTEP, 0, 0)) == marker; };
  WaitUntil([&] { return !IsWindow(bar) || handled(); });
  return IsWindow(bar) && handled();
}

HWND FindOwnedDialog(DWORD processId, HWND exclude) {
  Search search = {processId, exclude, nullptr};
  EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool AnswerFolderPicker(const Setup& setup, HWND picker, const std::wstring& path, bool ok) {
  if (!path.empty()) {
    size_t bytes = (path.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(setup.process.hProcess, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return false;
    WriteProcessMemory(setup.process.hProcess, remote, path.c_str(), bytes, nullptr);
    SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote));
    // The picker keeps no pointer to the text once the selection is made.
    VirtualFreeEx(setup.process.hProcess, remote, 0, MEM_RELEASE);
  }
  PostMessageW(GetDlgItem(picker, ok ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
  return true;
}
