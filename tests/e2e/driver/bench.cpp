// The benchmark scenario: figures of the real setup.exe, printed as "name
// value" lines for scripts/bench.sh. It checks only that the installation
// finished; the figures themselves decide nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "expect.h"
#include "first_page_floor.h"
#include "resource.h"
#include "scenario_steps.h"
#include "scenarios.h"
#include "startup_marks.h"
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

namespace {

constexpr int kFirstPageRuns = 20;
const wchar_t kTemplatesPath[] = L"S:\\bench\\first-page-templates.exe";
const wchar_t kFloorPath[] = L"S:\\bench\\first-page-floor.exe";
const wchar_t kProbePath[] = L"S:\\bench\\startup-probe.exe";
const wchar_t kFloorTitle[] = L"" FLOOR_TITLE;
const wchar_t kSetupTitle[] = L"Velunora App Pack (All Users)";

// The process's visible top-level dialog of that title (any title when
// null), or null.
HWND FindShownDialog(DWORD processId, const wchar_t* title) {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, L"#32770", title))) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == processId && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

// The visible child dialog holding control `id`, or null.
HWND FindShownPage(HWND frame, int id) {
  HWND page = nullptr;
  while ((page = FindWindowExW(frame, page, L"#32770", nullptr))) {
    if (GetDlgItem(page, id) && IsWindowVisible(page)) return page;
  }
  return nullptr;
}

struct Program {
  const wchar_t* path;
  const wchar_t* title;  // null: the process's one dialog, whatever its title
  int pageControl;       // a control of the page that must be shown; 0: the window alone
};

// Starts a program and waits until it is idle, that is waiting for input
// with nothing left to do: created, shown and painted. True when by then its
// window (and page) is shown, the process ended when closed, and nothing
// failed; `start` and `idle` are the clock at CreateProcessW and at idle.
bool TimeFirstPage(const Program& program, LARGE_INTEGER* start, LARGE_INTEGER* idle) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::wstring commandLine = std::wstring(L"\"") + program.path + L"\"";
  QueryPerformanceCounter(start);
  if (!CreateProcessW(program.path, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return Expect(false, "%s started", Narrow(program.path).c_str());
  }
  DWORD waited = WaitForInputIdle(process.hProcess, kWaitMs);
  QueryPerformanceCounter(idle);
  HWND window = FindShownDialog(process.dwProcessId, program.title);
  bool shown = waited == 0 && window && (!program.pageControl || FindShownPage(window, program.pageControl));
  if (window) PostMessageW(window, WM_CLOSE, 0, 0);
  bool ended = WaitForSingleObject(process.hProcess, kWaitMs) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process.hProcess, 99);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return Expect(shown, "%s was idle with its first page shown", Narrow(program.path).c_str()) &&
         Expect(ended, "%s ended when closed", Narrow(program.path).c_str());
}

void PrintRuns(const char* name, const std::vector<double>& runs) {
  std::printf("%s", name);
  for (double ms : runs) std::printf(" %.3f", ms);
  std::printf("\n");
}

}  // namespace

// Time to the first page: setup.exe, the program that shows the same templates
// with procedures that do nothing, the floor program and the probe (setup.exe
// with a clock between its start-up steps) in turns, in this one session.
void ScenarioFirstPage() {
  enum { kSetup, kTemplates, kFloor, kProbe, kPrograms };
  const Program programs[kPrograms] = {{kSetupPath, kSetupTitle, IDC_LICENSE_TEXT},
                                       {kTemplatesPath, nullptr, IDC_LICENSE_TEXT},
                                       {kFloorPath, kFloorTitle, 0},
                                       {kProbePath, kSetupTitle, IDC_LICENSE_TEXT}};
  HANDLE block = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(LARGE_INTEGER) * kStartupMarkCount, kStartupMarksName);
  LARGE_INTEGER* marks =
      block ? static_cast<LARGE_INTEGER*>(MapViewOfFile(block, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
  if (!Expect(marks != nullptr, "the block for the probe's clock readings was made")) return;

  // One warm-up start of each, so that no program pays for the session's first.
  LARGE_INTEGER start, idle;
  for (const Program& program : programs) {
    if (!TimeFirstPage(program, &start, &idle)) return;
  }
  const char* segments[] = {"process", "controls", "payload", "folders", "admin", "frame"};
  std::vector<double> times[kPrograms], parts[kStartupMarkCount + 1], floorProcess;
  for (int run = 0; run < kFirstPageRuns; ++run) {
    for (int k = 0; k < kPrograms; ++k) {
      int which = (run + k) % kPrograms;  // each program takes each place in the order in turn
      ZeroMemory(marks, sizeof(LARGE_INTEGER) * kStartupMarkCount);
      if (!TimeFirstPage(programs[which], &start, &idle)) return;
      times[which].push_back(Milliseconds(start, idle));
      if (which == kFloor) {
        if (!Expect(marks[0].QuadPart >= start.QuadPart, "the floor program read its clock")) return;
        floorProcess.push_back(Milliseconds(start, marks[0]));
      }
      if (which != kProbe) continue;
      LARGE_INTEGER from = start;
      for (int m = 0; m < kStartupMarkCount; ++m) {
        if (!Expect(marks[m].QuadPart >= from.QuadPart, "the probe read its clock at step %d", m)) return;
        parts[m].push_back(Milliseconds(from, marks[m]));
        from = marks[m];
      }
      parts[kStartupMarkCount].push_back(Milliseconds(from, idle));
    }
  }
  UnmapViewOfFile(marks);
  CloseHandle(block);
  PrintRuns("first_page_setup_ms", times[kSetup]);
  PrintRuns("first_page_templates_ms", times[kTemplates]);
  PrintRuns("first_page_floor_ms", times[kFloor]);
  PrintRuns("first_page_probe_ms", times[kProbe]);
  static_assert(sizeof segments / sizeof *segments == kStartupMarkCount, "one name per clock reading");
  for (int m = 0; m < kStartupMarkCount; ++m) {
    PrintRuns(("startup_" + std::string(segments[m]) + "_ms").c_str(), parts[m]);
  }
  PrintRuns("startup_paint_ms", parts[kStartupMarkCount]);
  PrintRuns("floor_process_ms", floorProcess);
}
