#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "resource.h"
#include "setup_context.h"
#include "setup_texts.h"
#include "wizard.h"

namespace {

void RunMessageLoop(SetupContext* context, MSG* message) {
  while (message->message != WM_QUIT) {
    BOOL result = GetMessageW(message, nullptr, 0, 0);
    if (result == 0 || result == -1) break;
    // Only the visible page takes part in dialog navigation: Tab,
    // mnemonics, Enter and Esc act on it alone.
    if (!IsDialogMessageW(context->pages[context->currentPage], message)) {
      TranslateMessage(message);
      DispatchMessageW(message);
    }
  }
}

// Everything after COM is up; any failure ends here, leaving the system as it was.
void RunSetup(SetupContext* context, MSG* message) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  if (!InitCommonControlsEx(&controls)) return;
  // The payload is loaded and verified before the administrator test, so a
  // damaged file is reported as such to everyone.
  if (!InitPaths()) {
    MessageBoxA(nullptr, kInitFailedText, kErrorCaption, MB_ICONERROR);
    return;
  }
  if (!IsUserAdmin()) {
    MessageBoxA(nullptr, kNotAdminText, kProductCaption, MB_ICONWARNING);
    return;
  }
  context->frameWindow = CreateDialogParamW(context->instance, MAKEINTRESOURCEW(IDD_FRAME), nullptr, MainDialogProc, 0);
  if (!context->frameWindow) {
    MessageBoxA(nullptr, kInitFailedText, kErrorCaption, MB_ICONERROR);
    return;
  }
  RunMessageLoop(context, message);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: setup.exe usually runs elevated from a
  // download folder, where anyone may have left a DLL named like a system
  // one. From here on every load, ours and the system's on our behalf,
  // searches System32 only, never the program's folder or the current one.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

  MSG message;
  message.message = 0;
  message.wParam = 0;

  SetupContext context;
  InitSetupContext(&context, instance);

  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 0;
  RunSetup(&context, &message);
  CoUninitialize();
  // Always 0, whatever the loop left in the message record. The payload
  // block goes back to the heap as the context ends.
  return 0;
}
