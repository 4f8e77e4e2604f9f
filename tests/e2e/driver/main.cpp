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

// Every scenario the driver answers to, tests and figures alike, from the
// one list the tests are declared from.
const Scenario kScenarios[] = {
#define SCENARIO(test, name, function, seconds) {L##name, function},
#define BENCH_SCENARIO(name, function) {L##name, function},
#include "scenarios.inc"
#undef SCENARIO
#undef BENCH_SCENARIO
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
