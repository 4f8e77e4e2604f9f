// Reading back what a program left in the prefix: files, shortcuts and
// HKEY_LOCAL_MACHINE values. Shared by the Windows unit tests and the
// end-to-end driver.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

bool WriteFileBytes(const std::wstring& path, const void* data, size_t size);
bool ReadFileBytes(const std::wstring& path, std::vector<BYTE>* data);

// The target a shell link points at; empty when it cannot be read.
// COM must be initialised on the calling thread.
std::wstring ShortcutTarget(const std::wstring& shortcut);

// Reads a value; false when absent.
bool ReadRegistryValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, DWORD* type,
                       std::vector<BYTE>* data);
inline bool ReadHklmValue(const wchar_t* keyPath, const wchar_t* valueName, DWORD* type, std::vector<BYTE>* data) {
  return ReadRegistryValue(HKEY_LOCAL_MACHINE, keyPath, valueName, type, data);
}
