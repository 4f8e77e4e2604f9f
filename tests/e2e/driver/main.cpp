// The end-to-end driver: runs beside setup.exe in the same Wine session and
// acts as its user would, then checks what the installation left behind.
//
//   e2e-driver SCENARIO
#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "expect.h"
#include "scenarios.h"

namespace {

struct Scenario {
  const wchar_t* name;
  void (*run)();
};

const Scenario kScenarios[] = {
    {L"launch", ScenarioLaunch},
    {L"default", ScenarioDefaultInstall},
    {L"selection", ScenarioSelection},
    {L"second-run", ScenarioSecondRun},
    {L"cancel", ScenarioCancel},
    {L"close-during-install", ScenarioCloseDuringInstall},
    {L"damaged", ScenarioDamagedPayload},
    {L"bench", ScenarioBench},
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2) {
    for (const Scenario& s : kScenarios) {
      if (lstrcmpW(argv[1], s.name) != 0) continue;
      CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
      s.run();
      CoUninitialize();
      std::printf("%s: %d failed expectation(s)\n", Narrow(s.name).c_str(), Failures());
      return Failures() == 0 ? 0 : 1;
    }
  }
  std::printf("usage: e2e-driver SCENARIO\nscenarios:");
  for (const Scenario& s : kScenarios) std::printf(" %s", Narrow(s.name).c_str());
  std::printf("\n");
  return 2;
}
