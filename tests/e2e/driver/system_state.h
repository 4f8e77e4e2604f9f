// What the installation left on the machine: files, shortcuts, registry
// values, and snapshots to prove that nothing else changed.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "windows_files.h"

const wchar_t kProgramFiles[] = L"C:\\Program Files\\";
const wchar_t kStartMenu[] = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";

struct RegistryValue {
  bool present = false;
  DWORD type = 0;
  std::vector<BYTE> data;
  std::wstring Text() const;  // REG_SZ data up to its terminator
  DWORD Number() const;
};

// Below HKLM unless another root is given.
RegistryValue ReadValue(const std::wstring& keyPath, const wchar_t* valueName, HKEY root = HKEY_LOCAL_MACHINE);
bool KeyExists(const std::wstring& keyPath, HKEY root = HKEY_LOCAL_MACHINE);
bool WriteText(const std::wstring& keyPath, const wchar_t* valueName, DWORD type, const std::wstring& text);
bool WriteBytes(const std::wstring& keyPath, const wchar_t* valueName, DWORD type, const void* data, DWORD size,
                HKEY root = HKEY_LOCAL_MACHINE);

bool LastWriteTime(const std::wstring& path, FILETIME* time);
bool IsFolder(const std::wstring& path);
std::vector<std::wstring> FolderEntries(const std::wstring& folder);  // names, sorted
// A folder that is a link (Wine shows a symbolic link of its file system as
// a folder that is a reparse point).
bool IsLinkedFolder(const std::wstring& path);

// Whether the DACL of `path` lets Everyone, Users or Authenticated Users
// change it or what it holds; `entry` then names the first such entry. An
// unreadable DACL, or none, answers true.
bool AnyoneMayChange(const std::wstring& path, std::string* entry);
// The DACL of `path` as SDDL text; "" when it cannot be read.
std::wstring DaclText(const std::wstring& path);

// Bytes available to the caller on the drive or folder; 0 when unknown.
uint64_t FreeBytes(const std::wstring& path);

// Every value below HKLM\Software and every file and folder below the
// Program Files and Start-menu folders, each with what it holds: a file as
// its size and last-write time, or with kContents as its size and a hash of
// its bytes (a shortcut as its target), for installations that differ only
// in the time of writing. With the user's state also every value below
// HKCU\Software, and the files below the user's own Start menu, the user's
// programs folder (LocalAppData\Programs) and the temporary folder.
using Snapshot = std::map<std::wstring, std::wstring>;
enum SnapshotScope { kMachineState, kMachineAndUserState };
enum FileDetail { kWriteTimes, kContents };
Snapshot TakeSnapshot(SnapshotScope scope = kMachineState, FileDetail detail = kWriteTimes);
// A folder of the user's: a CSIDL's path with a trailing backslash ("" when
// unknown), and the temporary folder.
std::wstring UserFolder(int csidl);
std::wstring TempFolder();
// The entries that differ, as readable lines.
std::vector<std::wstring> Differences(const Snapshot& before, const Snapshot& after);
