#include "system_writes.h"

#include "registry.h"
#include "shell_files.h"

int SystemWrites::CreateDirectoryChain(const wchar_t* folder) {
  return ::CreateDirectoryChain(folder, createdFolders_);
}

PayloadStatus SystemWrites::WriteEntry(const wchar_t* path, const PayloadEntry& entry, const PayloadTime* time) {
  return payload_.WriteEntryToFile(path, entry.offset, entry.size, time);
}

int32_t SystemWrites::CreateShortcut(const wchar_t* target, const wchar_t* shortcut) {
  return ::CreateShortcut(target, shortcut);
}

int SystemWrites::WriteValue(const RegistryRow& row, const void* data, uint32_t bytes) {
  LONG result = WriteRegistryValue(root_, BuildRowKeyPath(keyPath_, row), row.valueName, row.type, data, bytes);
  return result == ERROR_SUCCESS ? 1 : 0;
}
