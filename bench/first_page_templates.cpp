// first-page-templates: the reference for setup.exe's time to its first
// page. It builds the wizard window setup.exe shows from the very templates
// setup.exe carries (linked from the same resource scripts), with dialog
// procedures that do nothing: the COM apartment, the common controls, the
// frame and its four pages, page 0 shown, then the frame. What separates
// setup.exe from it is setup.exe's own work (the payload, the folders, the
// texts, the administrator test), not what any program showing those
// windows must do. Built for `make bench` only; never shipped.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "closing_dialog.h"
#include "resource.h"

namespace {

constexpr int kPageTemplates = IDD_PROGRESS - IDD_LICENSE + 1;

INT_PTR CALLBACK PageDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 0;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  HWND frame = InitCommonControlsEx(&controls)
                   ? CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_FRAME), nullptr, ClosingDialogProc, 0)
                   : nullptr;
  HWND pages[kPageTemplates] = {};
  bool created = frame != nullptr;
  for (int i = 0; created && i < kPageTemplates; ++i) {
    pages[i] = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_LICENSE + i), frame, PageDialogProc, 0);
    created = pages[i] != nullptr;
  }
  if (created) {
    ShowWindow(pages[0], SW_SHOW);
    ShowWindow(frame, SW_SHOWNORMAL);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (!IsDialogMessageW(pages[0], &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  }
  CoUninitialize();
  return 0;
}
