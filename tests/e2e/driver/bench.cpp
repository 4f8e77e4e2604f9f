// The benchmark scenario: figures of the real setup.exe, printed as "name
// value" lines for scripts/bench.sh. It checks only that the installation
// finished; the figures themselves decide nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "expect.h"
#include "scenario_steps.h"
#include "scenarios.h"
#include "ui.h"

namespace {

constexpr int kRuns = 3;

// Committed private memory of another process, summed region by region:
// what Windows counts as its private bytes.
size_t CommittedPrivateBytes(HANDLE process) {
  size_t sum = 0;
  const char* address = nullptr;
  MEMORY_BASIC_INFORMATION region;
  while (VirtualQueryEx(process, address, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) sum += region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return sum;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// One default installation: the wizard's memory once it is up, then the
// time from the click on "&Install" to the final text.
bool TimeDefaultInstall(double* installMs, size_t* wizardBytes) {
  Setup setup;
  if (!Expect(LaunchSetup(kSetupPath, &setup), "the wizard appeared")) return false;
  *wizardBytes = CommittedPrivateBytes(setup.process.hProcess);
  Click(setup.pages[0], 1);
  Click(setup.pages[1], 1);
  HWND status = GetDlgItem(setup.pages[3], 1003);
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  bool clicked = Click(setup.pages[2], 1);
  bool finished = clicked && WaitUntil([&] { return ReadText(status) == kFinishedStatus; }, kWaitMs);
  QueryPerformanceCounter(&end);
  *installMs = Milliseconds(start, end);
  Click(setup.pages[3], 1);
  DWORD code = 0;
  bool ended = WaitForExit(&setup, &code);
  return Expect(finished && ended, "the default installation finished and setup.exe ended");
}

}  // namespace

void ScenarioBench() {
  std::vector<double> times;
  size_t wizardBytes = 0;
  for (int i = 0; i < kRuns; ++i) {
    double ms = 0;
    size_t bytes = 0;
    if (!TimeDefaultInstall(&ms, &bytes)) return;
    times.push_back(ms);
    wizardBytes = std::max(wizardBytes, bytes);
    std::printf("install_ms_run%d %.1f\n", i + 1, ms);
  }
  std::sort(times.begin(), times.end());
  std::printf("install_ms_median %.1f\nmemory_wizard %zu\n", times[times.size() / 2], wizardBytes);
}
