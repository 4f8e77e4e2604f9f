// Start-up's calls made for real, on the one context: what wWinMain hands
// RunStartup. A benchmark build of the program overrides single calls to
// time them.
#pragma once

#include "setup_context.h"
#include "startup.h"

class SystemStartup : public StartupCalls {
 public:
  explicit SystemStartup(SetupContext* context) : context_(context) {}

  bool InitializeCom() override;
  bool InitializeCommonControls() override;
  int InitPaths() override;
  int IsUserAdmin() override;
  void ShowMessage(const char* text, const char* caption, MessageIcon icon) override;
  // The frame's whole set-up, pages and timer included, runs inside this call.
  bool CreateFrame() override;
  void RunMessageLoop() override;
  void UninitializeCom() override;

 private:
  SetupContext* context_;
};
