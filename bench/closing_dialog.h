// The dialog procedure of the reference programs' top window: it does
// nothing but end the program when the benchmark closes the window.
#pragma once

#include <windows.h>

inline INT_PTR CALLBACK ClosingDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
  }
  return FALSE;
}
