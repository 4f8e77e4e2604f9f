// Composition of key paths, and the one operation that writes a value below
// HKEY_LOCAL_MACHINE.
#pragma once

#include <windows.h>

#include <cstdint>

#include "registry_layout.h"

// Composes "Software" and the present components, each after a backslash,
// stopping at the first absent one, into `path` (kKeyPathUnits) and returns
// it. Returns null when the path does not fit.
const wchar_t* BuildKeyPath(wchar_t* path, const wchar_t* c1, const wchar_t* c2 = nullptr, const wchar_t* c3 = nullptr,
                            const wchar_t* c4 = nullptr, const wchar_t* c5 = nullptr, const wchar_t* c6 = nullptr);

// The key path of a layout row, composed as BuildKeyPath does.
const wchar_t* BuildRowKeyPath(wchar_t* path, const RegistryRow& row);

// Opens or creates the key below HKEY_LOCAL_MACHINE and sets one value.
// Returns 1 when the value was set, 0 when the key could not be opened or
// the value could not be set; the key is closed either way.
int WriteRegistryValue(const wchar_t* keyPath, const wchar_t* valueName, DWORD type, const void* data, uint32_t bytes);
