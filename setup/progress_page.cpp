#include "progress_page.h"

#include <commctrl.h>

#include "components_page.h"
#include "install_steps.h"
#include "resource.h"
#include "setup_context.h"
#include "system_places_win.h"
#include "system_writes.h"

namespace {

// What a step tells the user goes onto the progress page; the next step is
// asked of the frame.
class ProgressPageSink final : public StepSink {
 public:
  explicit ProgressPageSink(SetupContext* context) : context_(context), page_(context->pages[ProgressPage]) {}

  void SetStatusName(const wchar_t* name) override { SetDlgItemTextW(page_, IDC_STATUS, name); }
  void SetStatusText(const char* text) override { SetDlgItemTextA(page_, IDC_STATUS, text); }
  void AddLine(const wchar_t* line) override {
    SendMessageW(context_->detailsList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
  }
  void SetProgress(uint32_t position) override {
    SendMessageW(GetDlgItem(page_, IDC_PROGRESS_BAR), PBM_SETPOS, position, 0);
  }
  void PostNextStep(uint32_t step) override { PostMessageW(context_->frameWindow, kInstallStepMessage, step, 0); }
  void SetFinished() override { context_->state = InstallState::Finished; }

 private:
  SetupContext* context_;
  HWND page_;
};

}  // namespace

void RunInstallStep(SetupContext* context, uint32_t step) {
  context->pendingStep = 0;
  StepState state = {SelectedComponents(context->pages[ComponentsPage]),
                     context->installDir,
                     context->startMenuDir,
                     context->entries,
                     context->requiredBytes,
                     &context->errorCount,
                     context->edition,
                     &context->associationsChanged};
  // An installation for all users lets only administrators change what
  // every user runs and what an administrator's uninstall deletes; a user's
  // own installation keeps the permissions of the user's profile.
  SystemWrites writes(context->payload, context->scratch.wide, *context->edition);
  ProgressPageSink sink(context);
  PerformInstallStep(step, &state, writes, sink);
}
