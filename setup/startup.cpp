#include "startup.h"

#include "setup_texts.h"

namespace {

// Everything between COM's start and its end; any failure returns here,
// leaving the system as it was.
void RunWithCom(const StartupEffects& e) {
  if (!e.initializeCommonControls(e.self)) return;
  if (!e.initPaths(e.self)) {
    e.showMessage(e.self, kInitFailedText, kErrorCaption, IconError);
    return;
  }
  if (!e.isUserAdmin(e.self)) {
    e.showMessage(e.self, kNotAdminText, kProductCaption, IconWarning);
    return;
  }
  if (!e.createFrame(e.self)) {
    e.showMessage(e.self, kInitFailedText, kErrorCaption, IconError);
    return;
  }
  e.runMessageLoop(e.self);
}

}  // namespace

int RunStartup(const StartupEffects& e) {
  if (!e.initializeCom(e.self)) return 0;
  RunWithCom(e);
  e.uninitializeCom(e.self);
  return 0;
}
