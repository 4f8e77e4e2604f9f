#include "registry.h"

LONG OpenRegistryKey(HKEY root, const wchar_t* keyPath, REGSAM access, RegistryKey* key) {
  if (!keyPath) return ERROR_INVALID_PARAMETER;
  return RegOpenKeyExW(root, keyPath, 0, access, key->Put());
}

LONG CreateRegistryKey(HKEY root, const wchar_t* keyPath, REGSAM access, RegistryKey* key) {
  if (!keyPath) return ERROR_INVALID_PARAMETER;
  return RegCreateKeyExW(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key->Put(), nullptr);
}

LONG ReadRegistryValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, DWORD* type, void* data,
                       DWORD* bytes) {
  RegistryKey key;
  LONG result = OpenRegistryKey(root, keyPath, KEY_QUERY_VALUE, &key);
  if (result != ERROR_SUCCESS) return result;
  return RegQueryValueExW(key.Get(), valueName, nullptr, type, static_cast<BYTE*>(data), bytes);
}

LONG WriteRegistryValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, DWORD type, const void* data,
                        DWORD bytes) {
  RegistryKey key;
  LONG result = CreateRegistryKey(root, keyPath, KEY_WRITE, &key);
  if (result != ERROR_SUCCESS) return result;
  return RegSetValueExW(key.Get(), valueName, 0, type, static_cast<const BYTE*>(data), bytes);
}

LONG DeleteRegistryValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName) {
  RegistryKey key;
  LONG result = OpenRegistryKey(root, keyPath, KEY_SET_VALUE, &key);
  if (result != ERROR_SUCCESS) return result;
  return RegDeleteValueW(key.Get(), valueName);
}

LONG DeleteRegistryKeyIfEmpty(HKEY root, const wchar_t* keyPath) {
  {
    RegistryKey key;
    LONG result = OpenRegistryKey(root, keyPath, KEY_QUERY_VALUE, &key);
    if (result == ERROR_FILE_NOT_FOUND) return result;
    DWORD subkeys = 1, values = 1;
    if (result != ERROR_SUCCESS ||
        RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS ||
        subkeys != 0 || values != 0) {
      return ERROR_DIR_NOT_EMPTY;
    }
  }  // closed before it is deleted
  return RegDeleteKeyW(root, keyPath);
}
