#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "resource.h"
#include "setup_context.h"
#include "startup.h"
#include "wizard.h"

namespace {

// The real calls of start-up, on the one context.
class SystemStartup final : public StartupCalls {
 public:
  explicit SystemStartup(SetupContext* context) : context_(context) {}

  bool InitializeCom() override { return SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }

  bool InitializeCommonControls() override {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    return InitCommonControlsEx(&controls) != FALSE;
  }

  int InitPaths() override { return ::InitPaths(kProgramEdition); }

  int IsUserAdmin() override { return ::IsUserAdmin(); }

  void ShowMessage(const char* text, const char* caption, MessageIcon icon) override {
    MessageBoxA(nullptr, text, caption, icon == IconError ? MB_ICONERROR : MB_ICONWARNING);
  }

  // The frame's whole set-up, pages and timer included, runs inside this call.
  bool CreateFrame() override {
    context_->frameWindow =
        CreateDialogParamW(context_->instance, MAKEINTRESOURCEW(IDD_FRAME), nullptr, MainDialogProc, 0);
    return context_->frameWindow != nullptr;
  }

  void RunMessageLoop() override {
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

  void UninitializeCom() override { CoUninitialize(); }

 private:
  SetupContext* context_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  SetupContext context{};
  InitSetupContext(&context, instance, kProgramEdition);
  SystemStartup startup(&context);
  // The payload block goes back to the heap as the context ends, after COM.
  return RunStartup(startup, kProgramEdition);
}
