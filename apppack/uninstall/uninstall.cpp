// The App Pack's uninstaller. The folder it sits in is the install folder.
// It asks first; on Yes it copies itself to the temporary folder and starts
// the copy, which waits for this process to end, removes what setup.exe
// wrote for this installation (the uninstaller's own file and the install
// folder included) and shows one closing message. The copy's file is
// opened for deletion on close and handed to it, so it goes when the copy
// ends. Built twice: for all users, and for the single-user edition, each
// linking the record of its edition (kProgramEdition).
#include <windows.h>
#include <objbase.h>

#include "owners.h"
#include "removal.h"
#include "uninstall_logic.h"
#include "wide_text.h"

namespace {

const wchar_t kCaption[] = L"Velunora App Pack Uninstall";
const wchar_t kQuestion[] = L"Remove Velunora App Pack and all of its components from this computer?";
const wchar_t kNotTheUninstaller[] =
    L"The uninstaller could not be found where it was started from. Nothing has been removed.";

constexpr DWORD kOriginalExitWaitMs = 30000;
constexpr size_t kCommandUnits = 2 * kFolderUnits + 64;

// The program's own full path, in its long form, so that it compares with
// the paths setup.exe wrote. False when it does not fit.
bool OwnPath(wchar_t* path) {
  wchar_t module[kFolderUnits];
  DWORD length = GetModuleFileNameW(nullptr, module, kFolderUnits);
  if (length == 0 || length >= kFolderUnits) return false;
  DWORD longLength = GetLongPathNameW(module, path, kFolderUnits);
  if (longLength == 0 || longLength >= kFolderUnits) return WideCopy(path, kFolderUnits, module);
  return true;
}

// True when both files hold the same bytes: the finishing run deletes only
// a file that is this very program.
bool SameContent(const wchar_t* a, const wchar_t* b) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_DELETE;
  UniqueHandle fileA(CreateFileW(a, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
  UniqueHandle fileB(CreateFileW(b, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
  bool same = fileA.Valid() && fileB.Valid();
  BYTE bufferA[16384], bufferB[16384];
  while (same) {
    DWORD gotA = 0, gotB = 0;
    if (!ReadFile(fileA.Get(), bufferA, sizeof bufferA, &gotA, nullptr) ||
        !ReadFile(fileB.Get(), bufferB, sizeof bufferB, &gotB, nullptr) || gotA != gotB) {
      same = false;
      break;
    }
    if (gotA == 0) break;
    for (DWORD i = 0; i < gotA && same; ++i) same = bufferA[i] == bufferB[i];
  }
  return same;
}

// Copies the uninstaller to the temporary folder and starts the copy as the
// finishing run. The copy inherits a handle to this process, to wait for,
// and a delete-on-close handle to its own file, so that the file goes when
// the copy ends. False, with nothing left behind, when it cannot be done.
bool StartFinishingCopy(const wchar_t* self) {
  wchar_t temp[MAX_PATH + 1];
  wchar_t copy[MAX_PATH];
  DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH || !GetTempFileNameW(temp, L"vlu", 0, copy)) return false;
  if (!CopyFileW(self, copy, FALSE)) {
    DeleteFileW(copy);
    return false;
  }

  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  // Closing this process's handle deletes the copy unless the copy holds it too.
  UniqueHandle file(CreateFileW(copy, GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inheritable,
                                OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  HANDLE duplicate = nullptr;
  bool started = false;
  if (DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &duplicate, SYNCHRONIZE, TRUE,
                      0)) {
    UniqueHandle process(duplicate);
    FinishRequest request = {};
    request.waitHandle = uint64_t(reinterpret_cast<UINT_PTR>(process.Get()));
    request.deletesItselfOnClose = file.Valid();
    WideCopy(request.original, kFolderUnits, self);
    wchar_t command[kCommandUnits];
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // The copy works from the temporary folder, so that no process has the
    // install folder as its current folder when it is removed.
    started = ComposeFinishCommand(copy, request, command, kCommandUnits) &&
              CreateProcessW(copy, command, nullptr, nullptr, TRUE, 0, nullptr, temp, &startup, &info);
    if (started) {
      UniqueHandle thread(info.hThread), child(info.hProcess);
      // The closing message comes from the copy; it may take the foreground
      // this process holds now.
      AllowSetForegroundWindow(info.dwProcessId);
    }
  }
  file.Reset();
  if (!started) DeleteFileW(copy);
  return started;
}

void ShowClosingMessage(const RemovalReport& report) {
  wchar_t text[kMessageUnits];
  ComposeClosingMessage(report, text, kMessageUnits);
  MessageBoxW(nullptr, text, kCaption,
              MB_OK | MB_SETFOREGROUND | (report.failureCount ? MB_ICONWARNING : MB_ICONINFORMATION));
}

bool FolderOf(const wchar_t* path, wchar_t* folder) { return FolderOfPath(path, folder, kFolderUnits); }

// The work of the finishing copy, once the uninstaller has ended.
int FinishRun(const FinishRequest& request) {
  UniqueHandle original(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(request.waitHandle)));
  WaitForSingleObject(original.Get(), kOriginalExitWaitMs);
  original.Reset();

  wchar_t self[kFolderUnits];
  wchar_t folder[kFolderUnits];
  bool ours = OwnPath(self) && FolderOf(request.original, folder) && SameContent(self, request.original);
  if (!ours) {
    MessageBoxW(nullptr, kNotTheUninstaller, kCaption, MB_OK | MB_ICONERROR);
  } else {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    RemovalReport report = {};
    RemoveInstallation(Installation{folder, request.original, &kProgramEdition}, &report);
    RemoveFile(request.original, ProgramKind, &report, 20);
    RemoveFolderIfEmpty(folder, &report);
    ShowClosingMessage(report);
    CoUninitialize();
  }
  // Without the delete-on-close handle the copy goes at the next restart.
  if (!request.deletesItselfOnClose && OwnPath(self)) MoveFileExW(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return 0;
}

// When no copy can be started, everything but the running uninstaller is
// removed from here; the uninstaller and its folder are left for the next
// restart.
int RemoveInPlace(const wchar_t* self, const wchar_t* folder) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RemovalReport report = {};
  RemoveInstallation(Installation{folder, self, &kProgramEdition}, &report);
  bool scheduled = MoveFileExW(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
  NoteFailure(&report, self, scheduled ? kRemovedAtRestart : uint32_t(GetLastError()));
  if (scheduled && MayRemoveFolder(folder)) MoveFileExW(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  ShowClosingMessage(report);
  CoUninitialize();
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  FinishRequest request = {};
  switch (ParseFinishCommand(GetCommandLineW(), &request)) {
    case FinishingRun:
      return FinishRun(request);
    case MalformedFinish:
      return 1;  // not started by the uninstaller: do nothing
    case NotAFinishingRun:
      break;
  }

  wchar_t self[kFolderUnits];
  wchar_t folder[kFolderUnits];
  if (!OwnPath(self) || !FolderOf(self, folder)) return 1;
  if (MessageBoxW(nullptr, kQuestion, kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return 0;
  if (StartFinishingCopy(self)) return 0;
  return RemoveInPlace(self, folder);
}
