#include "startup.h"

#include "setup_texts.h"

namespace {

// Everything between COM's start and its end; any failure returns here,
// leaving the system as it was.
void RunWithCom(StartupCalls& calls, const Edition& edition) {
  if (!calls.InitializeCommonControls()) return;
  if (!calls.InitPaths()) {
    calls.ShowMessage(kInitFailedText, kErrorCaption, IconError);
    return;
  }
  if (edition.needsAdministrator && !calls.IsUserAdmin()) {
    calls.ShowMessage(kNotAdminText, kProductCaption, IconWarning);
    return;
  }
  if (!calls.CreateFrame()) {
    calls.ShowMessage(kInitFailedText, kErrorCaption, IconError);
    return;
  }
  calls.RunMessageLoop();
}

}  // namespace

int RunStartup(StartupCalls& calls, const Edition& edition) {
  if (!calls.InitializeCom()) return 0;
  RunWithCom(calls, edition);
  calls.UninitializeCom();
  return 0;
}
