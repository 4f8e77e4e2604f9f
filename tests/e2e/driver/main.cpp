// The end-to-end driver: runs beside setup.exe in the same Wine session and
// acts as its user would. Each scenario prints what it saw and returns 0 only
// when everything matched.
#include <windows.h>

#include <cstdio>

namespace {

const wchar_t kSetupPath[] = L"S:\\setup.exe";

// Starts setup.exe and returns its process handle, or null.
HANDLE LaunchSetup() {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  wchar_t commandLine[] = L"\"S:\\setup.exe\"";
  if (!CreateProcessW(kSetupPath, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::printf("cannot start setup.exe: error %lu\n", GetLastError());
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

// Waits for setup.exe to end; false when it did not end in time.
bool WaitForExit(HANDLE process, DWORD milliseconds, DWORD* exitCode) {
  if (WaitForSingleObject(process, milliseconds) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(process, exitCode) != 0;
}

int ScenarioLaunch() {
  HANDLE process = LaunchSetup();
  if (!process) return 1;
  DWORD exitCode = 0;
  bool ended = WaitForExit(process, 30000, &exitCode);
  if (!ended) TerminateProcess(process, 1);
  CloseHandle(process);
  std::printf("setup.exe %s, exit code %lu\n", ended ? "ended" : "did not end", exitCode);
  return ended && exitCode == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && lstrcmpW(argv[1], L"launch") == 0) return ScenarioLaunch();
  std::printf("usage: e2e-driver SCENARIO\n");
  return 2;
}
