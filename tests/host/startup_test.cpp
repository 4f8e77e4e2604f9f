#include "startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Start-up against recorded calls, each answering as scripted.
struct Launch final : StartupCalls {
  bool com = true, controls = true, frame = true;
  int paths = 1, admin = 1;
  const Edition* edition = &kAllUsersEdition;
  std::vector<std::string> calls;

  int Start() { return RunStartup(*this, *edition); }

  bool InitializeCom() override { return Log("com", com); }
  bool InitializeCommonControls() override { return Log("controls", controls); }
  int InitPaths() override { return Log("paths", paths != 0); }
  int IsUserAdmin() override { return Log("admin", admin != 0); }
  void ShowMessage(const char* text, const char* caption, MessageIcon icon) override {
    calls.push_back(std::string(icon == IconError ? "error" : "warning") + " box \"" + caption + "\": " + text);
  }
  bool CreateFrame() override { return Log("frame", frame); }
  void RunMessageLoop() override { calls.push_back("loop"); }
  void UninitializeCom() override { calls.push_back("uninit"); }

  bool Log(const char* call, bool result) {
    calls.push_back(std::string(call) + (result ? "" : " fails"));
    return result;
  }
};

using Calls = std::vector<std::string>;
const char kInitFailed[] = "error box \"Error\": Setup initialization failed.";
const char kNotAdmin[] =
    "warning box \"Velunora App Pack\": You must be logged in as an administrator to install this software.";

TEST(Startup, RunsTheWizardWhenEverythingIsThere) {
  Launch r;
  EXPECT_EQ(r.Start(), 0);
  EXPECT_EQ(r.calls, (Calls{"com", "controls", "paths", "admin", "frame", "loop", "uninit"}));
}

TEST(Startup, EndsEachFailureWithItsOwnMessageAndExitCode0) {
  Launch com;
  com.com = false;
  EXPECT_EQ(com.Start(), 0);
  EXPECT_EQ(com.calls, (Calls{"com fails"}));  // nothing to uninitialise

  Launch controls;
  controls.controls = false;
  EXPECT_EQ(controls.Start(), 0);
  EXPECT_EQ(controls.calls, (Calls{"com", "controls fails", "uninit"}));

  Launch paths;
  paths.paths = 0;
  EXPECT_EQ(paths.Start(), 0);
  EXPECT_EQ(paths.calls, (Calls{"com", "controls", "paths fails", kInitFailed, "uninit"}));

  Launch user;
  user.admin = 0;
  EXPECT_EQ(user.Start(), 0);
  EXPECT_EQ(user.calls, (Calls{"com", "controls", "paths", "admin fails", kNotAdmin, "uninit"}));

  Launch frame;
  frame.frame = false;
  EXPECT_EQ(frame.Start(), 0);
  EXPECT_EQ(frame.calls, (Calls{"com", "controls", "paths", "admin", "frame fails", kInitFailed, "uninit"}));
}

// The single-user edition needs no administrator, so it asks nobody.
TEST(Startup, TheSingleUserEditionRunsTheWizardForAnyUser) {
  Launch r;
  r.edition = &kSingleUserEdition;
  r.admin = 0;
  EXPECT_EQ(r.Start(), 0);
  EXPECT_EQ(r.calls, (Calls{"com", "controls", "paths", "frame", "loop", "uninit"}));
}

TEST(Startup, ADamagedPayloadIsReportedBeforeTheAdministratorTest) {
  Launch r;
  r.paths = 0;
  r.admin = 0;
  EXPECT_EQ(r.Start(), 0);
  EXPECT_EQ(r.calls, (Calls{"com", "controls", "paths fails", kInitFailed, "uninit"}));
}

}  // namespace
