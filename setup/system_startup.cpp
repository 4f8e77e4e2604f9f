#include "system_startup.h"

#include <commctrl.h>
#include <objbase.h>

#include "resource.h"
#include "wizard.h"

bool SystemStartup::InitializeCom() { return SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }

bool SystemStartup::InitializeCommonControls() {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  return InitCommonControlsEx(&controls) != FALSE;
}

int SystemStartup::InitPaths() { return ::InitPaths(context_); }

int SystemStartup::IsUserAdmin() { return ::IsUserAdmin(); }

void SystemStartup::ShowMessage(const char* text, const char* caption, MessageIcon icon) {
  MessageBoxA(nullptr, text, caption, icon == IconError ? MB_ICONERROR : MB_ICONWARNING);
}

bool SystemStartup::CreateFrame() {
  context_->frameWindow =
      CreateDialogParamW(context_->instance, MAKEINTRESOURCEW(IDD_FRAME), nullptr, MainDialogProc, 0);
  return context_->frameWindow != nullptr;
}

void SystemStartup::RunMessageLoop() {
  MSG message;
  message.message = 0;
  message.wParam = 0;
  while (message.message != WM_QUIT) {
    BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0 || result == -1) break;
    // Only the visible page takes part in dialog navigation: Tab,
    // mnemonics, Enter and Esc act on it alone.
    if (!IsDialogMessageW(context_->pages[context_->currentPage], &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

void SystemStartup::UninitializeCom() { CoUninitialize(); }
