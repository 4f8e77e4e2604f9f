// The uninstaller's file-system and registry work: it reads back what
// setup.exe wrote, asks uninstall_logic whether each item is still ours, and
// deletes what is. The installation's edition says where: all users
// (HKEY_LOCAL_MACHINE and the all-users Start menu) or one user
// (HKEY_CURRENT_USER and the user's own Start menu).
#pragma once

#include <windows.h>

#include "owners.h"
#include "trusted_paths.h"
#include "uninstall_logic.h"

// Removes the eight programs of the install folder, their shortcuts and the
// Start-menu folder when empty, the shell registrations, the install folder
// value and the Add/Remove Programs entry, each only where it is still ours.
// Everything is attempted; each outcome goes into `report`. COM must be
// initialised on the calling thread (shortcuts are read through it).
void RemoveInstallation(const Installation& ours, RemovalReport* report);

// Opens `path` to remove it as OpenTrusted does: links on the way followed
// only as `trust` allows, a link itself never taken for what it leads to,
// nothing found anywhere but where the path says. `access` and `share` as
// CreateFileW takes them. Returns ERROR_SUCCESS, with `file` holding it and
// `bytes` (may be null) its size, or why not: the system's error code or
// kReachedThroughLink.
DWORD OpenToRemove(const wchar_t* path, EntryKind kind, DWORD access, DWORD share, LinkTrust trust, UniqueHandle* file,
                   uint64_t* bytes);

// Deletes a file or an empty folder opened by OpenToRemove (with DELETE
// access) once `file` is closed. `attempts` > 1 for a file that was in use a
// moment ago (the uninstaller that has just ended): it is tried again every
// 100 ms before it counts as not removed.
void RemoveOpened(HANDLE file, const wchar_t* path, ItemKind kind, RemovalReport* report, uint32_t attempts = 1);

// Deletes one file if it exists, through a handle from OpenToRemove. With
// `bytes` other than kAnySize, a file of another size is not the one setup
// wrote (a user's own file of that name) and is left without a word.
constexpr uint64_t kAnySize = ~uint64_t(0);
void RemoveFile(const wchar_t* path, ItemKind kind, LinkTrust trust, RemovalReport* report, uint64_t bytes = kAnySize);

// False for a folder that stays even when empty: a drive or share root, or
// one of the system's own folders (Documents, Program Files...), which a
// user may have picked as the install folder itself.
bool MayRemoveFolder(const wchar_t* folder);

// Removes the folder if it exists, is empty and may be removed. A folder
// that still holds anything is left without complaint: whatever is in it
// was either reported already or is not ours.
void RemoveFolderIfEmpty(const wchar_t* folder, LinkTrust trust, RemovalReport* report);
