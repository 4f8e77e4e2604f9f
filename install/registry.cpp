#include "registry.h"

#include "setup_context.h"

const wchar_t* BuildKeyPath(const wchar_t* c1, const wchar_t* c2, const wchar_t* c3, const wchar_t* c4,
                            const wchar_t* c5, const wchar_t* c6) {
  const wchar_t* components[kKeyComponents] = {c1, c2, c3, c4, c5, c6};
  static_assert(sizeof g_setup->scratch.wide / sizeof(wchar_t) == kKeyPathUnits, "key paths are composed in scratch");
  wchar_t* path = g_setup->scratch.wide;
  return ComposeKeyPath(path, kKeyPathUnits, components) ? path : nullptr;
}

const wchar_t* BuildRowKeyPath(const RegistryRow& row) {
  return BuildKeyPath(row.key[0], row.key[1], row.key[2], row.key[3], row.key[4], row.key[5]);
}

int WriteRegistryValue(const wchar_t* keyPath, const wchar_t* valueName, DWORD type, const void* data, uint32_t bytes) {
  if (!keyPath) return 0;
  HKEY key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return 0;
  }
  LONG result = RegSetValueExW(key, valueName, 0, type, static_cast<const BYTE*>(data), bytes);
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? 1 : 0;
}
