// The order of start-up and its failure paths, written once against the
// calls it makes: wWinMain hands it the real ones, the tests hand it
// recorders, so the paths that Wine cannot take (a user outside the
// Administrators group, failing COM) are checked too. Platform neutral.
#pragma once

#include "edition.h"

enum MessageIcon { IconError, IconWarning };

class StartupCalls {
 public:
  virtual bool InitializeCom() = 0;  // false when it failed
  virtual bool InitializeCommonControls() = 0;
  virtual int InitPaths() = 0;    // 1 on success, 0 on failure
  virtual int IsUserAdmin() = 0;  // non-zero for a member of Administrators
  virtual void ShowMessage(const char* text, const char* caption, MessageIcon icon) = 0;
  virtual bool CreateFrame() = 0;  // false when the frame cannot be created
  virtual void RunMessageLoop() = 0;
  virtual void UninitializeCom() = 0;

 protected:
  ~StartupCalls() = default;
};

// Brings the program up, runs it, and takes it down again. The payload is
// checked before the administrator test, so a damaged file is reported as
// damaged to everyone; an edition that needs no administrator makes no such
// test. Returns the exit code: 0 on every path.
int RunStartup(StartupCalls& calls, const Edition& edition);
