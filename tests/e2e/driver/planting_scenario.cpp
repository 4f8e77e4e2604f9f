// setup.exe started from a download folder that also holds DLLs named like
// system DLLs: none of them may be loaded. Each planted DLL writes a line to
// planted-loads.log beside it when a process loads it (tests/e2e/plant/). A
// control program that loads DLLs by bare name, as a program without
// setup.exe's hardening does, shows that the planted copies are found and
// would be noticed.
#include "planting_scenario.h"

#include <windows.h>

#include <string>
#include <vector>

#include "expect.h"
#include "scenario_steps.h"
#include "system_state.h"
#include "ui.h"

namespace {

const wchar_t kDownloads[] = L"C:\\Downloads\\";
const wchar_t kLog[] = L"C:\\Downloads\\planted-loads.log";

// DLLs that setup.exe, or the system on its behalf, uses and that do not
// always come from System32 on Windows: the common controls (the manifest
// brings them), and what the shell, the themes and COM load as they go.
const wchar_t* const kPlanted[] = {L"comctl32.dll",  L"version.dll", L"uxtheme.dll", L"dwmapi.dll",
                                   L"cryptbase.dll", L"propsys.dll", L"profapi.dll", L"userenv.dll",
                                   L"msimg32.dll",   L"winmm.dll",   L"sspicli.dll", L"ntmarta.dll"};

// The lines the planted DLLs wrote, one per load.
std::vector<std::wstring> PlantedLoads() {
  std::vector<BYTE> bytes;
  std::vector<std::wstring> lines;
  if (!ReadFileBytes(kLog, &bytes)) return lines;
  std::wstring text(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = wchar_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
  for (size_t start = 0, end; start < text.size(); start = end + 2) {
    end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
  }
  for (const std::wstring& line : lines) Note("%s", Narrow(line).c_str());
  return lines;
}

// Runs the control program from the download folder; true when it ended.
bool RunControl(bool hardened) {
  std::wstring arguments = hardened ? L"--hardened" : L"";
  for (const wchar_t* name : kPlanted) arguments += std::wstring(arguments.empty() ? L"" : L" ") + name;
  PROCESS_INFORMATION process = {};
  if (!StartProcess(std::wstring(kDownloads) + L"plant-control.exe", &process, arguments, kDownloads)) return false;
  Setup control;
  control.process = process;
  DWORD code = 0;
  return WaitForExit(&control, &code);
}

}  // namespace

void ScenarioPlantedDlls() {
  CreateDirectoryW(kDownloads, nullptr);
  bool copied = CopyFileW(kSetupPath, (std::wstring(kDownloads) + L"setup.exe").c_str(), FALSE) &&
                CopyFileW(L"S:\\plant-control.exe", (std::wstring(kDownloads) + L"plant-control.exe").c_str(), FALSE);
  for (const wchar_t* name : kPlanted) {
    copied = copied && CopyFileW(L"S:\\planted.dll", (std::wstring(kDownloads) + name).c_str(), FALSE);
  }
  if (!Expect(copied, "setup.exe, the control and %zu planted DLLs in %s", sizeof kPlanted / sizeof kPlanted[0],
              Narrow(kDownloads).c_str()))
    return;

  // As a user starts it: from the download folder, which is also the
  // current directory. The picker is opened once for the shell it loads.
  Setup setup;
  if (!Launch(&setup, (std::wstring(kDownloads) + L"setup.exe").c_str(), kDownloads)) return;
  GoToFolderPage(setup, false);
  Click(setup.pages[kFolder], 4, true);
  HWND picker = nullptr;
  Expect(WaitUntil([&] { return (picker = FindOwnedDialog(setup.process.dwProcessId, setup.frame)) != nullptr; }),
         "the folder picker opens");
  if (picker) {
    AnswerFolderPicker(setup, picker, L"", false);
    Expect(WaitUntil([&] { return !IsWindow(picker); }), "Cancel closes the picker");
  }
  std::vector<std::wstring> lines = InstallAndWait(setup, kFinishedStatus, false);
  Expect(lines == ExpectedLines(kDefaultInstallDir, Complete(kAllComponents)), "the installation ran as usual");
  Click(setup.pages[kProgress], 1);
  ExpectExit(&setup, "\"&Close\"");
  Expect(PlantedLoads().empty(), "setup.exe loaded none of the planted DLLs");

  // The control, from the same folder: without the hardening it picks up
  // planted copies; restricted to System32 as setup.exe is, none.
  Expect(RunControl(false), "the control program ran");
  Expect(!PlantedLoads().empty(), "the control program loaded planted DLLs by their bare names");
  DeleteFileW(kLog);
  Expect(RunControl(true), "the control program ran with the search limited to System32");
  Expect(PlantedLoads().empty(), "with the search limited to System32 it loaded none");
}
