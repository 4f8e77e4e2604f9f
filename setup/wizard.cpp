#include "wizard.h"

#include "setup_context.h"

INT_PTR CALLBACK MainDialogProc(HWND hwnd, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ShowWindow(hwnd, SW_SHOWNORMAL);
      return TRUE;
    case WM_CLOSE:
      if (g_setup->state == Installing) return TRUE;
      g_setup->state = Closing;
      DestroyWindow(hwnd);
      return TRUE;
    case WM_DESTROY:
      if (g_setup->state == Closing) PostQuitMessage(0);
      return TRUE;
  }
  return FALSE;
}
