// The wizard frame (template 103) and its pages.
#pragma once

#include <windows.h>

// The frame's dialog procedure, handed to CreateDialogParamW by wWinMain.
INT_PTR CALLBACK MainDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
