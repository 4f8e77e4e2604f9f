// The App Pack's uninstaller. The folder it sits in is the install folder.
// It asks first; on Yes it starts a copy of itself outside that folder (see
// self_removal.h), which waits for this process to end, removes what
// setup.exe wrote for this installation (the uninstaller's own file and the
// install folder included), shows one closing message and then removes
// itself. Built twice: for all users, and for the single-user edition, each
// linking the record of its edition (kProgramEdition).
#include <windows.h>
#include <objbase.h>

#include "owners.h"
#include "removal.h"
#include "self_removal.h"
#include "trusted_paths.h"
#include "uninstall_logic.h"
#include "wide_text.h"

namespace {

// The all-users uninstaller runs elevated: its copy goes where only
// administrators may write, and what cannot be deleted now is deleted at
// restart. The single-user one runs as its user: its copy goes to the
// user's temporary folder, and it may not delete anything at restart.
bool MachineWide() { return kProgramEdition.needsAdministrator; }

const wchar_t kCaption[] = L"Velunora App Pack Uninstall";
const wchar_t kQuestion[] = L"Remove Velunora App Pack and all of its components from this computer?";
const wchar_t kNotTheUninstaller[] =
    L"The uninstaller could not be found where it was started from. Nothing has been removed.";

constexpr DWORD kOriginalExitWaitMs = 30000;
constexpr uint32_t kAttempts = 20;  // every 100 ms, for the file that ran a moment ago

void ShowClosingMessage(const RemovalReport& report) {
  wchar_t text[kMessageUnits];
  ComposeClosingMessage(report, text, kMessageUnits);
  MessageBoxW(nullptr, text, kCaption,
              MB_OK | MB_SETFOREGROUND | (report.failureCount ? MB_ICONWARNING : MB_ICONINFORMATION));
}

bool FolderOf(const wchar_t* path, wchar_t* folder) { return FolderOfPath(path, folder, kFolderUnits); }

// Opens the uninstaller that started this copy, as it is to be removed;
// it may still be in use for a moment after its process has ended.
DWORD OpenOriginal(const wchar_t* path, UniqueHandle* file) {
  DWORD error = ERROR_SUCCESS;
  for (uint32_t attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0) Sleep(100);
    error = OpenToRemove(path, EntryKind::File, GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                         LinksFollowed(kProgramEdition), file, nullptr);
    if (error != ERROR_SHARING_VIOLATION) break;
  }
  return error;
}

// True when this program's own file holds the same bytes as `original`.
bool IsCopyOf(const wchar_t* self, HANDLE original) {
  UniqueHandle own(
      CreateFileW(self, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
  return own.Valid() && SameContent(own.Get(), original);
}

// The work of the finishing copy. Nothing on its command line is taken on
// trust: the process handle must be the uninstaller's at the path named,
// that file must be reached without a link and hold this program's bytes,
// and the file handle must be this copy's own.
int FinishRun(const FinishRequest& request) {
  wchar_t self[kFolderUnits];
  wchar_t folder[kFolderUnits];
  bool located = OwnPath(self) && FolderOf(request.original, folder);
  HANDLE ownFile = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(request.fileHandle));
  if (!located || !IsFileAt(ownFile, self)) ownFile = nullptr;

  HANDLE process = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(request.waitHandle));
  bool fromOriginal = located && IsProcessOf(process, request.original);
  if (fromOriginal) {
    UniqueHandle waited(process);  // ours to close only once it is known to be the original's
    WaitForSingleObject(waited.Get(), kOriginalExitWaitMs);
  }

  UniqueHandle original;
  if (fromOriginal && OpenOriginal(request.original, &original) == ERROR_SUCCESS && IsCopyOf(self, original.Get())) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    RemovalReport report = {};
    RemoveInstallation(Installation{folder, request.original, &kProgramEdition}, &report);
    RemoveOpened(original.Get(), request.original, ProgramKind, &report, kAttempts);
    original.Reset();  // the file goes as its handle closes, and the folder can follow
    RemoveFolderIfEmpty(folder, LinksFollowed(kProgramEdition), &report);
    ShowClosingMessage(report);
    CoUninitialize();
  } else {
    MessageBoxW(nullptr, kNotTheUninstaller, kCaption, MB_OK | MB_ICONERROR);
  }

  wchar_t handOff[MAX_PATH];
  SystemRestartDeletes restart;
  if (located && HandOffProgram(handOff, MAX_PATH)) {
    EndFinishingCopy(self, ownFile, request.kept, MachineWide(), handOff, restart);
  }
  return 0;
}

// When no copy can be started, everything but the running uninstaller is
// removed from here. Nothing is left to the next restart: a reinstallation
// before it would lose its new uninstaller and folder.
int RemoveInPlace(const wchar_t* self, const wchar_t* folder) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RemovalReport report = {};
  RemoveInstallation(Installation{folder, self, &kProgramEdition}, &report);
  NoteFailure(&report, self, kUninstallerRunning);
  ShowClosingMessage(report);
  CoUninitialize();
  return 0;
}

// Copies an earlier run could not remove; they are not running any more.
void SweepEarlierCopies() {
  wchar_t folder[kFolderUnits];
  if (UserTempFolder(folder, kFolderUnits)) SweepStaleCopies(folder, LinksFollowed(kProgramEdition));
  if (MachineWide() && WindowsTempFolder(folder, kFolderUnits)) SweepStaleCopies(folder, LinkTrust::AdministratorsOnly);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: every load, ours and the system's on our
  // behalf (COM, the shell, the message box), searches System32 only, never
  // the program's folder or the current one.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Elevated, this process and its finishing copy follow no link a
  // standard user made, wherever the system can enforce that.
  if (MachineWide()) EnableRedirectionGuard();

  FinishRequest request = {};
  switch (ParseFinishCommand(GetCommandLineW(), &request)) {
    case FinishingRun:
      return FinishRun(request);
    case MalformedFinish:
      return 1;  // not started by the uninstaller: do nothing
    case NotAFinishingRun:
      break;
  }

  SweepEarlierCopies();
  wchar_t self[kFolderUnits];
  wchar_t folder[kFolderUnits];
  if (!OwnPath(self) || !FolderOf(self, folder)) return 1;
  if (MessageBoxW(nullptr, kQuestion, kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return 0;
  if (StartFinishingCopy(self, MachineWide())) return 0;
  return RemoveInPlace(self, folder);
}
