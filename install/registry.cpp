#include "registry.h"

#include "owners.h"

const wchar_t* BuildKeyPath(wchar_t* path, const wchar_t* c1, const wchar_t* c2, const wchar_t* c3, const wchar_t* c4,
                            const wchar_t* c5, const wchar_t* c6) {
  const wchar_t* components[kKeyComponents] = {c1, c2, c3, c4, c5, c6};
  return ComposeKeyPath(path, kKeyPathUnits, components) ? path : nullptr;
}

const wchar_t* BuildRowKeyPath(wchar_t* path, const RegistryRow& row) {
  return ComposeKeyPath(path, kKeyPathUnits, row.key) ? path : nullptr;
}

int WriteRegistryValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, DWORD type, const void* data,
                       uint32_t bytes) {
  if (!keyPath) return 0;
  RegistryKey key;
  if (RegCreateKeyExW(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.Put(), nullptr) !=
      ERROR_SUCCESS) {
    return 0;
  }
  return RegSetValueExW(key.Get(), valueName, 0, type, static_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS ? 1 : 0;
}

int ReadRegistryValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, void* data, uint32_t bytes) {
  if (!keyPath) return 0;
  RegistryKey key;
  if (RegOpenKeyExW(root, keyPath, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) return 0;
  DWORD size = bytes;
  return RegQueryValueExW(key.Get(), valueName, nullptr, nullptr, static_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
}
