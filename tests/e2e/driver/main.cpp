// The end-to-end driver: runs beside setup.exe in the same Wine session and
// acts as its user would, then checks what the installation left behind.
//
//   e2e-driver SCENARIO [--quiet]
#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "expect.h"
#include "fault_scenarios.h"
#include "planting_scenario.h"
#include "scenarios.h"
#include "uninstall_scenarios.h"

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
    {L"uninstall-full", ScenarioUninstallFull},
    {L"uninstall-partial", ScenarioUninstallPartial},
    {L"uninstall-two-installations", ScenarioUninstallTwoInstallations},
    {L"uninstall-no", ScenarioUninstallNo},
    {L"uninstall-file-in-use", ScenarioUninstallFileInUse},
    {L"single-user", ScenarioSingleUser},
    {L"both-editions", ScenarioBothEditions},
    {L"uninstall-unicode-folder", ScenarioUninstallUnicodeFolder},
    {L"uninstall-through-link", ScenarioUninstallThroughLink},
    {L"uninstall-in-place", ScenarioUninstallInPlace},
    {L"single-user-moved-programs", ScenarioSingleUserMovedPrograms},
    // Faults and hardening.
    {L"disk-full", ScenarioDiskFull},
    {L"locked-file", ScenarioLockedFile},
    {L"blocked-start-menu", ScenarioBlockedStartMenu},
    {L"bad-app-path", ScenarioBadAppPath},
    {L"repetition", ScenarioRepetition},
    {L"planted-dlls", ScenarioPlantedDlls},
    {L"open-folder", ScenarioOpenFolder},
    {L"link-above-folder", ScenarioLinkAboveFolder},
    {L"bench", ScenarioBench},
    {L"first-page", ScenarioFirstPage},
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 || (argc == 3 && lstrcmpW(argv[2], L"--quiet") == 0)) {
    SetQuiet(argc == 3);
    for (const Scenario& s : kScenarios) {
      if (lstrcmpW(argv[1], s.name) != 0) continue;
      CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
      s.run();
      CoUninitialize();
      std::printf("%s: %d failed expectation(s)\n", Narrow(s.name).c_str(), Failures());
      return Failures() == 0 ? 0 : 1;
    }
  }
  std::printf("usage: e2e-driver SCENARIO [--quiet]\nscenarios:");
  for (const Scenario& s : kScenarios) std::printf(" %s", Narrow(s.name).c_str());
  std::printf("\n");
  return 2;
}
