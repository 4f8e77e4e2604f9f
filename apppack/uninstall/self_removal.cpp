#include "self_removal.h"

#include <objbase.h>

#include <cstddef>
#include <cstring>
#include <cwchar>

#include "components.h"
#include "file_security.h"
#include "file_system.h"
#include "trusted_paths.h"
#include "owners.h"
#include "removal.h"
#include "wide_text.h"

namespace {

constexpr size_t kCommandUnits = 2 * kFolderUnits + 64;
constexpr size_t kNameUnits = 40;
const wchar_t kCopyPrefix[] = L"vlu";
// A program's extension: the command processor that keeps the copy runs
// only programs.
const wchar_t kCopyExtension[] = L".exe";

struct FindTraits {
  static bool Valid(HANDLE search) { return search && search != INVALID_HANDLE_VALUE; }
  static void Free(HANDLE search) { FindClose(search); }
};
using FindHandle = Owner<HANDLE, FindTraits>;

// "vlu" and the 32 hex digits of a new GUID: no other process can know the
// name before the copy is there.
bool RandomName(wchar_t* name) {
  static const wchar_t kHex[] = L"0123456789abcdef";
  GUID guid;
  if (FAILED(CoCreateGuid(&guid))) return false;
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&guid);
  WideCopy(name, kNameUnits, kCopyPrefix);
  size_t at = WideLength(name);
  for (size_t i = 0; i < sizeof guid; ++i) {
    name[at++] = kHex[bytes[i] >> 4];
    name[at++] = kHex[bytes[i] & 15];
  }
  name[at] = 0;
  return true;
}

// Starts `program` with `command` in `folder`, handing it exactly the
// inheritable `handles` and nothing else this process holds. False when it
// could not be started.
bool StartWithHandles(const wchar_t* program, wchar_t* command, const wchar_t* folder, HANDLE* handles, DWORD count,
                      DWORD flags, DWORD* processId) {
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  alignas(16) BYTE storage[128];
  auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage);
  if (size > sizeof storage || !InitializeProcThreadAttributeList(list, 1, 0, &size)) return false;
  STARTUPINFOEXW startup = {};
  startup.StartupInfo.cb = sizeof startup;
  startup.lpAttributeList = list;
  PROCESS_INFORMATION info = {};
  bool started = UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, count * sizeof(HANDLE),
                                           nullptr, nullptr) &&
                 CreateProcessW(program, command, nullptr, nullptr, TRUE, flags | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                                folder, &startup.StartupInfo, &info);
  DeleteProcThreadAttributeList(list);
  if (started) {
    UniqueHandle process(info.hProcess), thread(info.hThread);
    if (processId) *processId = info.dwProcessId;
  }
  return started;
}

// Renames the open file to `path` (same volume) through its own handle,
// which needs DELETE access. A running program's file can be renamed.
bool MoveThrough(HANDLE file, const wchar_t* path) {
  alignas(8) BYTE buffer[sizeof(FILE_RENAME_INFO) + kFolderUnits * sizeof(wchar_t)] = {};
  size_t length = WideLength(path);
  if (length >= kFolderUnits) return false;
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer);
  rename->ReplaceIfExists = FALSE;
  rename->FileNameLength = DWORD(length * sizeof(wchar_t));
  std::memcpy(buffer + offsetof(FILE_RENAME_INFO, FileName), path, (length + 1) * sizeof(wchar_t));
  return SetFileInformationByHandle(file, FileRenameInfo, buffer, sizeof buffer) != 0;
}

bool IsUninstallerSize(uint64_t bytes) {
  for (const Uninstaller& uninstaller : kUninstallers) {
    if (bytes == uninstaller.bytes) return true;
  }
  return false;
}

// The search also matches short names: the long name must be vlu*.exe too.
bool IsCopyName(const wchar_t* name) {
  size_t length = WideLength(name);
  const size_t prefix = WideLength(kCopyPrefix), extension = WideLength(kCopyExtension);
  return length > prefix + extension && SameName(name, prefix, kCopyPrefix, prefix) &&
         SameName(name + length - extension, extension, kCopyExtension, extension);
}

}  // namespace

bool OwnPath(wchar_t* path) {
  wchar_t module[kFolderUnits];
  DWORD length = GetModuleFileNameW(nullptr, module, kFolderUnits);
  if (length == 0 || length >= kFolderUnits) return false;
  DWORD longLength = GetLongPathNameW(module, path, kFolderUnits);
  if (longLength == 0 || longLength >= kFolderUnits) return WideCopy(path, kFolderUnits, module);
  return true;
}

bool SameContent(HANDLE a, HANDLE b) {
  BYTE bufferA[16384], bufferB[16384];
  for (;;) {
    DWORD gotA = 0, gotB = 0;
    if (!ReadFile(a, bufferA, sizeof bufferA, &gotA, nullptr) ||
        !ReadFile(b, bufferB, sizeof bufferB, &gotB, nullptr) || gotA != gotB) {
      return false;
    }
    if (gotA == 0) return true;
    for (DWORD i = 0; i < gotA; ++i) {
      if (bufferA[i] != bufferB[i]) return false;
    }
  }
}

bool IsProcessOf(HANDLE process, const wchar_t* path) {
  wchar_t image[kFolderUnits];
  DWORD size = kFolderUnits;
  if (!QueryFullProcessImageNameW(process, 0, image, &size)) return false;
  if (SamePath(image, path)) return true;
  wchar_t longImage[kFolderUnits];
  DWORD length = GetLongPathNameW(image, longImage, kFolderUnits);
  return length > 0 && length < kFolderUnits && SamePath(longImage, path);
}

bool UserTempFolder(wchar_t* folder, size_t capacity) {
  // Windows keeps TEMP in its short form for a long user name
  // (C:\Users\JOHNSM~1\...), and a final path is always the long one.
  wchar_t given[kFolderUnits];
  DWORD length = GetTempPathW(kFolderUnits, given);
  if (length == 0 || length >= kFolderUnits) return false;
  length = GetLongPathNameW(given, folder, DWORD(capacity));
  return length > 0 && length < capacity && EndWithSeparator(folder, capacity);
}

bool WindowsTempFolder(wchar_t* folder, size_t capacity) {
  // The system's own Windows folder, not a terminal-server user's copy of it.
  UINT length = GetSystemWindowsDirectoryW(folder, UINT(capacity));
  return length > 0 && length < capacity && EndWithSeparator(folder, capacity) &&
         WideAppend(folder, capacity, L"Temp\\");
}

bool HandOffProgram(wchar_t* path, size_t capacity) {
  UINT length = GetSystemDirectoryW(path, UINT(capacity));
  return length > 0 && length < capacity && EndWithSeparator(path, capacity) && WideAppend(path, capacity, L"cmd.exe");
}

bool StartFinishingCopy(const wchar_t* self, bool machineWide) {
  wchar_t name[kNameUnits], folder[kFolderUnits], copy[kFolderUnits], system[MAX_PATH];
  LocalMemory descriptor;
  UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
  if (!RandomName(name) || systemLength == 0 || systemLength >= MAX_PATH) return false;
  if (machineWide) {
    // A new folder, so that nothing an unelevated process put anywhere is
    // beside the elevated copy, and nothing can be put there afterwards.
    if (!MakeDescriptor(Protection::AdministratorsOnly, &descriptor)) return false;
    SECURITY_ATTRIBUTES administratorsOnly = {sizeof administratorsOnly, descriptor.Get(), FALSE};
    if (!WindowsTempFolder(folder, kFolderUnits) || !WideAppend(folder, kFolderUnits, name) ||
        !WideAppend(folder, kFolderUnits, L"\\") || !CreateDirectoryW(folder, &administratorsOnly)) {
      return false;
    }
  } else if (!UserTempFolder(folder, kFolderUnits)) {
    return false;
  }

  bool copied = ComposePath(copy, kFolderUnits, folder, name, kCopyExtension) && CopyFileW(self, copy, TRUE);
  bool started = false;
  if (copied) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    // Closing this handle deletes the copy, unless the copy holds it too. It
    // shares no writing: the copy stays as it was made.
    UniqueHandle file(CreateFileW(copy, GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inheritable,
                                  OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    HANDLE duplicate = nullptr;
    if (file.Valid() && DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &duplicate,
                                        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0)) {
      UniqueHandle process(duplicate);
      FinishRequest request = {};
      request.waitHandle = uint64_t(reinterpret_cast<UINT_PTR>(process.Get()));
      request.fileHandle = uint64_t(reinterpret_cast<UINT_PTR>(file.Get()));
      WideCopy(request.original, kFolderUnits, self);
      HANDLE handles[] = {process.Get(), file.Get()};
      // Kept: the command processor starts the copy, hands it both handles
      // and ends only after it, closing the last handle once the copy's
      // image is gone.
      request.kept = true;
      wchar_t command[kCommandUnits + 32];
      wchar_t processor[MAX_PATH];
      started = ComposeKeptCommand(copy, request, command, kCommandUnits + 32) && HandOffProgram(processor, MAX_PATH) &&
                StartWithHandles(processor, command, system, handles, 2, CREATE_NO_WINDOW, nullptr);
      wchar_t finish[kCommandUnits];
      // The closing message comes from the copy; it may take the foreground
      // this process holds now.
      if (started) AllowSetForegroundWindow(ASFW_ANY);
      DWORD copyId = 0;
      request.kept = false;
      if (!started && ComposeFinishCommand(copy, request, finish, kCommandUnits) &&
          StartWithHandles(copy, finish, system, handles, 2, 0, &copyId)) {
        started = true;
        AllowSetForegroundWindow(copyId);
      }
    }
  }
  if (!started) {
    if (copied) DeleteFileW(copy);  // when the delete-on-close handle could not be had
    if (machineWide) RemoveDirectoryW(folder);
  }
  return started;
}

bool SystemRestartDeletes::Schedule(const wchar_t* path) {
  return MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

CopyEnd EndFinishingCopy(const wchar_t* copy, HANDLE deleteOnClose, bool kept, bool machineWide, const wchar_t* handOff,
                         RestartDeletes& restart) {
  wchar_t path[kFolderUnits];
  wchar_t folder[kFolderUnits] = {};
  wchar_t system[MAX_PATH];
  UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
  bool systemKnown = systemLength > 0 && systemLength < MAX_PATH;
  if (!WideCopy(path, kFolderUnits, copy)) return LeftForNextStart;
  if (machineWide && FolderOfPath(copy, folder, kFolderUnits)) {
    // The folder can go only once nothing works or lies in it: the copy
    // leaves it, and moves its own running file out beside it.
    if (systemKnown) SetCurrentDirectoryW(system);
    wchar_t outside[kFolderUnits];
    WideCopy(outside, kFolderUnits, folder);
    outside[WideLength(outside) - 1] = 0;  // without its separator
    if (deleteOnClose && WideAppend(outside, kFolderUnits, kCopyExtension) && MoveThrough(deleteOnClose, outside)) {
      WideCopy(path, kFolderUnits, outside);
    }
    if (RemoveDirectoryW(folder)) folder[0] = 0;
  }

  if (deleteOnClose && kept) {
    // The process that started the copy holds the handle too and ends only
    // after it.
    if (folder[0]) restart.Schedule(folder);
    return HandedOff;
  }
  bool handedOff = false;
  if (deleteOnClose && systemKnown) {
    // The command processor without its AutoRun commands, which would run
    // with the copy's rights; it ends at once, and with it the last handle.
    // It may end before this process's image is gone and the file with it:
    // for all users the restart deletes what is left.
    wchar_t command[] = L"cmd.exe /d /c exit";
    HANDLE handles[] = {deleteOnClose};
    handedOff = StartWithHandles(handOff, command, system, handles, 1, CREATE_NO_WINDOW, nullptr);
  }
  if (!machineWide) return handedOff ? HandedOff : LeftForNextStart;  // no right to delete at restart
  bool scheduled = restart.Schedule(path);
  if (folder[0]) scheduled = restart.Schedule(folder) && scheduled;  // after the file it holds
  if (!scheduled) return LeftForNextStart;
  return handedOff ? HandedOff : RemovedAtRestart;
}

void SweepStaleCopies(const wchar_t* folder, LinkTrust trust) {
  wchar_t pattern[kFolderUnits];
  if (!ComposePath(pattern, kFolderUnits, folder, kCopyPrefix, L"*") ||
      !WideAppend(pattern, kFolderUnits, kCopyExtension)) {
    return;
  }
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileExW(pattern, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
  if (!search.Valid()) return;
  do {
    wchar_t path[kFolderUnits];
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsCopyName(found.cFileName) ||
        !ComposePath(path, kFolderUnits, folder, found.cFileName)) {
      continue;
    }
    // Shared for reading only: while a copy runs, or its hand-off has not
    // ended, a handle with delete access is open, and this open fails.
    UniqueHandle file;
    uint64_t bytes = 0;
    if (OpenToRemove(path, EntryKind::File, DELETE, FILE_SHARE_READ, trust, &file, &bytes) != ERROR_SUCCESS) continue;
    if (IsUninstallerSize(bytes)) MarkForDeletion(file.Get());
  } while (FindNextFileW(search.Get(), &found));
}
