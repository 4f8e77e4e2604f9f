// Opening what a program writes or removes so that no one it does not trust
// can redirect it: every link on the way is followed only when the rule of
// trust.h allows it, the last part of the path is never followed, and the
// handle is checked to be where the path, links resolved, says it is.
#pragma once

#include <windows.h>

#include <cstddef>

#include "owners.h"
#include "trust.h"

// Makes the system itself refuse, for every file operation of this process,
// the links that a non-administrator made, where the system offers that
// (Windows 10 22H2 and later). Elsewhere nothing changes: the programs' own
// checks below are the rule on every system.
void EnableRedirectionGuard();

// The length of the root part of a fully qualified path: 3 for "C:\", up to
// and including the separator after the share for "\\server\share\"
// (or its end); 0 for any other path.
size_t RootLength(const wchar_t* path);

enum class EntryKind : uint8_t { File, Folder };

// How to open the last part of a path, as CreateFileW takes it.
struct TrustedOpen {
  DWORD access;
  DWORD share;
  DWORD disposition;
  EntryKind kind;
};

// Writes into `resolved` (capacity units, ending with a separator) the
// existing `folder` as the system names it, every link on the way replaced
// by where it leads. Returns ERROR_SUCCESS, the system's error code, or
// kReachedThroughLink for a link `trust` does not follow.
DWORD ResolveTrusted(const wchar_t* folder, LinkTrust trust, wchar_t* resolved, size_t capacity);

// Opens `path` as `how` says, its folder resolved as ResolveTrusted does,
// never following a link at its last part. Refuses a link there, an entry
// of the other kind (ERROR_DIRECTORY for a file where a folder is wanted,
// ERROR_ACCESS_DENIED for the reverse), and a handle the system finds
// anywhere but at the resolved path (a folder replaced by a link meanwhile):
// kReachedThroughLink. A file this call created and then refused is
// removed again. `created` (may be null) says whether it was created.
DWORD OpenTrusted(const wchar_t* path, const TrustedOpen& how, LinkTrust trust, UniqueHandle* handle,
                  bool* created = nullptr);

// True when the open `file` is the entry at `path`, a path without links:
// where the system says the handle is, or, where it cannot say (Wine, past
// MAX_PATH), the same file as `path` opens.
bool IsFileAt(HANDLE file, const wchar_t* path);

// Marks an open file or empty folder (opened with DELETE access) for
// deletion: its name goes at once where the file system allows it (the
// POSIX way), or when the last handle closes. False, with the system's
// error code as the last error, when it cannot be marked.
bool MarkForDeletion(HANDLE file);
