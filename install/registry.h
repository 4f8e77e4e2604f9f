// Composition of key paths, and the two operations on a value: writing one,
// and reading one back.
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

// Opens or creates the key below `root` and sets one value. Returns 1 when
// the value was set, 0 when the key could not be opened or the value could
// not be set; the key is closed either way.
int WriteRegistryValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, DWORD type, const void* data,
                       uint32_t bytes);

// Reads one value's data into `data`, at most `bytes` of it, whatever its
// type. Returns 1 when it was read, 0 when the key or the value is missing
// or longer. A null key path (one that did not fit) reads nothing, where the
// system would read the root key itself.
int ReadRegistryValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, void* data, uint32_t bytes);
