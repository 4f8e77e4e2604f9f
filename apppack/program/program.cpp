// One program of the Velunora App Pack. The same source is built once per
// component, with APPPACK_PROGRAM set to the component's name. Its window
// says which program it is and shows the file or folder it was opened with,
// which is what a shell verb or a file-type association hands it.
#include <windows.h>
#include <shellapi.h>

#include "program_ids.h"

#define APPPACK_WIDE_TEXT(x) L"" #x
#define APPPACK_WIDE_NAME(x) APPPACK_WIDE_TEXT(x)

namespace {

const wchar_t kName[] = APPPACK_WIDE_NAME(APPPACK_PROGRAM);
const wchar_t kAboutSuffix[] = L" is a program of the Velunora App Pack.";
const wchar_t kOpenedWith[] = L"Opened with:";
const wchar_t kNothingOpened[] = L"Started without a file or folder.";

constexpr int kClientWidth = 460;
constexpr int kClientHeight = 150;
constexpr int kMargin = 16;
constexpr int kLine = 22;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;

// What the window is created with; lives in wWinMain's frame.
struct ProgramStart {
  HFONT font;
  const wchar_t* opened;  // the first command-line argument, or null
};

HWND AddControl(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y, int width,
                int height, HFONT font) {
  HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

void CreateControls(HWND window, const ProgramStart& start) {
  wchar_t about[sizeof kName / sizeof kName[0] + sizeof kAboutSuffix / sizeof kAboutSuffix[0]];
  lstrcpyW(about, kName);
  lstrcatW(about, kAboutSuffix);
  int width = kClientWidth - 2 * kMargin;
  AddControl(window, L"STATIC", about, SS_NOPREFIX, kIdAbout, kMargin, kMargin, width, kLine, start.font);
  AddControl(window, L"STATIC", start.opened ? kOpenedWith : kNothingOpened, SS_NOPREFIX, kIdOpenedLabel, kMargin,
             kMargin + kLine + 8, width, kLine, start.font);
  // The full path stays the control's text; only its display is shortened.
  AddControl(window, L"STATIC", start.opened ? start.opened : L"", SS_NOPREFIX | SS_PATHELLIPSIS, kIdOpened, kMargin,
             kMargin + 2 * kLine + 8, width, kLine, start.font);
  AddControl(window, L"BUTTON", L"Close", WS_TABSTOP | BS_DEFPUSHBUTTON, IDCANCEL,
             kClientWidth - kMargin - kButtonWidth, kClientHeight - kMargin - kButtonHeight, kButtonWidth,
             kButtonHeight, start.font);
}

LRESULT CALLBACK ProgramWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateControls(window, *static_cast<ProgramStart*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:      // Enter
        case IDCANCEL:  // Esc and the Close button
          DestroyWindow(window);
          return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  // The program runs as whoever opens a file with it, an elevated
  // administrator too: every DLL loaded for it comes from System32, never
  // from the folder of the file or the current one.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  ProgramStart start = {};
  start.opened = argv && argc >= 2 && argv[1][0] ? argv[1] : nullptr;

  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  start.font = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)
                   ? CreateFontIndirectW(&metrics.lfMessageFont)
                   : nullptr;

  WNDCLASSEXW cls = {};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = ProgramWindowProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = kProgramWindowClass;
  RegisterClassExW(&cls);

  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  HWND window = CreateWindowExW(0, kProgramWindowClass, kName, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, &start);
  int exitCode = 1;
  if (window) {
    ShowWindow(window, show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (IsDialogMessageW(window, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    exitCode = 0;
  }
  if (start.font) DeleteObject(start.font);
  LocalFree(argv);
  return exitCode;
}
