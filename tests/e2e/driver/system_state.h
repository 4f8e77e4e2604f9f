// What the installation left on the machine: files, shortcuts, registry
// values, and snapshots to prove that nothing else changed.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

const wchar_t kProgramFiles[] = L"C:\\Program Files\\";
const wchar_t kStartMenu[] = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";

struct RegistryValue {
  bool present = false;
  DWORD type = 0;
  std::vector<BYTE> data;
  std::wstring Text() const;  // REG_SZ data up to its terminator
  DWORD Number() const;
};

RegistryValue ReadValue(const std::wstring& keyPath, const wchar_t* valueName);  // below HKLM
bool KeyExists(const std::wstring& keyPath);
bool WriteText(const std::wstring& keyPath, const wchar_t* valueName, DWORD type, const std::wstring& text);
bool WriteBytes(const std::wstring& keyPath, const wchar_t* valueName, DWORD type, const void* data, DWORD size);

bool ReadFileBytes(const std::wstring& path, std::vector<BYTE>* data);
bool LastWriteTime(const std::wstring& path, FILETIME* time);
bool IsFolder(const std::wstring& path);
std::vector<std::wstring> FolderEntries(const std::wstring& folder);  // names, sorted
std::wstring ShortcutTarget(const std::wstring& shortcut);

// Bytes available to the caller on the drive or folder; 0 when unknown.
uint64_t FreeBytes(const std::wstring& path);

// Every value below HKLM\Software and every file and folder below the
// Program Files and Start-menu folders, each with what it holds: a file as
// its size and last-write time, or with `contents` as its size and a hash of
// its bytes (a shortcut as its target), for installations that differ only
// in the time of writing.
using Snapshot = std::map<std::wstring, std::wstring>;
Snapshot TakeSnapshot(bool contents = false);
// The entries that differ, as readable lines.
std::vector<std::wstring> Differences(const Snapshot& before, const Snapshot& after);
