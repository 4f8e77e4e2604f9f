// The registry operations both programs make, each a thin wrapper of the
// system's calls. Every result is the system's code: ERROR_SUCCESS, or why
// not. A null key path (one that did not fit where it was composed) opens
// nothing, where the system would take the root key itself.
#pragma once

#include <windows.h>

#include "owners.h"

LONG OpenRegistryKey(HKEY root, const wchar_t* keyPath, REGSAM access, RegistryKey* key);

// Opens the key, creating it and every missing key above it.
LONG CreateRegistryKey(HKEY root, const wchar_t* keyPath, REGSAM access, RegistryKey* key);

// Reads one value's data into `data` (`*bytes` of room), whatever its type.
// `*bytes` and `*type` (may be null) then hold its size and type, also with
// ERROR_MORE_DATA, when the data is longer than the room.
LONG ReadRegistryValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, DWORD* type, void* data,
                       DWORD* bytes);

// Creates the key where it is missing and sets one value.
LONG WriteRegistryValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, DWORD type, const void* data,
                        DWORD bytes);

LONG DeleteRegistryValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName);

// Deletes the key when it holds no value and no subkey. ERROR_DIR_NOT_EMPTY
// when it holds anything or cannot be looked into, and is left;
// ERROR_FILE_NOT_FOUND when there is no such key.
LONG DeleteRegistryKeyIfEmpty(HKEY root, const wchar_t* keyPath);
