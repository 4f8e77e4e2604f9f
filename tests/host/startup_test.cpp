#include "startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Launch {
  bool com = true, controls = true, frame = true;
  int paths = 1, admin = 1;
  std::vector<std::string> calls;

  int Start() {
    StartupEffects e = {
        this,
        [](void* s) { return Log(s, "com", static_cast<Launch*>(s)->com); },
        [](void* s) { return Log(s, "controls", static_cast<Launch*>(s)->controls); },
        [](void* s) { return int(Log(s, "paths", static_cast<Launch*>(s)->paths != 0)); },
        [](void* s) { return int(Log(s, "admin", static_cast<Launch*>(s)->admin != 0)); },
        [](void* s, const char* text, const char* caption, MessageIcon icon) {
          static_cast<Launch*>(s)->calls.push_back(std::string(icon == IconError ? "error" : "warning") + " box \"" +
                                                   caption + "\": " + text);
        },
        [](void* s) { return Log(s, "frame", static_cast<Launch*>(s)->frame); },
        [](void* s) { static_cast<Launch*>(s)->calls.push_back("loop"); },
        [](void* s) { static_cast<Launch*>(s)->calls.push_back("uninit"); },
    };
    return RunStartup(e);
  }

  static bool Log(void* s, const char* call, bool result) {
    static_cast<Launch*>(s)->calls.push_back(std::string(call) + (result ? "" : " fails"));
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

TEST(Startup, ADamagedPayloadIsReportedBeforeTheAdministratorTest) {
  Launch r;
  r.paths = 0;
  r.admin = 0;
  EXPECT_EQ(r.Start(), 0);
  EXPECT_EQ(r.calls, (Calls{"com", "controls", "paths fails", kInitFailed, "uninit"}));
}

}  // namespace
