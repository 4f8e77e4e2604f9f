// startup-probe: setup.exe as it is, built from its own objects, resources
// and payload, with a clock read between the steps of start-up. When the
// wizard has been closed it hands the readings to the benchmark through the
// shared block the benchmark created, so reading the clock is all it adds
// while it starts. Built for `make bench` only; never shipped.
#include <windows.h>

#include "edition.h"
#include "startup_marks.h"
#include "system_startup.h"

namespace {

LARGE_INTEGER g_marks[kStartupMarkCount];

void Mark(StartupMark mark) { QueryPerformanceCounter(&g_marks[mark]); }

class ProbedStartup final : public SystemStartup {
 public:
  explicit ProbedStartup(SetupContext* context) : SystemStartup(context), context_(context) {}

  bool InitializeCommonControls() override {
    bool initialized = SystemStartup::InitializeCommonControls();
    Mark(MarkControlsReady);
    return initialized;
  }

  // InitPaths, timed between its two halves.
  int InitPaths() override {
    bool loaded = LoadSetupPayload(context_) == PayloadStatus::Ok;
    Mark(MarkPayloadLoaded);
    int settled = loaded ? SettleFolders(context_) : 0;
    Mark(MarkFoldersSettled);
    return settled;
  }

  int IsUserAdmin() override {
    int member = SystemStartup::IsUserAdmin();
    Mark(MarkAdminChecked);
    return member;
  }

  bool CreateFrame() override {
    bool created = SystemStartup::CreateFrame();
    Mark(MarkFrameShown);
    return created;
  }

 private:
  SetupContext* context_;
};

}  // namespace

// setup.exe's wWinMain, with the clock read first and the readings handed
// over last.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  Mark(MarkEntered);
  SetupContext context{};
  InitSetupContext(&context, instance, kProgramEdition);
  ProbedStartup startup(&context);
  int code = RunStartup(startup, kProgramEdition);
  HandOverMarks(g_marks, kStartupMarkCount);
  return code;
}
