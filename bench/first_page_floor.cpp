// first-page-floor: the floor below setup.exe's time to its first page.
// It does what any dialog program with setup.exe's manifest must before its
// window is up and idle: the COM apartment, the common controls, and one
// empty dialog of the frame's size, style and font, shown. Nothing more,
// but for reading the clock once as it enters wWinMain, and handing the
// reading over as startup-probe does when it has been closed. Built for
// `make bench` only; never shipped.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "closing_dialog.h"
#include "first_page_floor.h"
#include "startup_marks.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  LARGE_INTEGER entered;
  QueryPerformanceCounter(&entered);
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 0;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  if (InitCommonControlsEx(&controls)) {
    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_FLOOR), nullptr, ClosingDialogProc, 0);
    if (dialog) {
      ShowWindow(dialog, SW_SHOWNORMAL);
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog, &message)) {
          TranslateMessage(&message);
          DispatchMessageW(&message);
        }
      }
    }
  }
  CoUninitialize();
  HandOverMarks(&entered, 1);
  return 0;
}
