// The wizard: one frame dialog (template 103) hosting four page dialogs
// (104-107) stacked at the same place, one visible at a time. The frame owns
// the 125 ms timer that runs the install steps, and the close rules.
#pragma once

#include <windows.h>

#include <cstdint>

struct SetupContext;

// The frame's dialog procedure, handed to CreateDialogParamW by wWinMain.
INT_PTR CALLBACK MainDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The one procedure of the four pages.
INT_PTR CALLBACK PageDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Makes page `index` the visible one and runs its entry work; an index of 4
// or more asks the frame to close.
void ShowPage(SetupContext* context, uint32_t index);
