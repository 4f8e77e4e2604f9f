// The two file-system operations of the install steps: making sure a folder
// exists, and writing a Start-menu shortcut.
#pragma once

#include <windows.h>

#include "trust.h"

// Creates every missing folder along `path`, outermost first. Only text that
// ends in a separator ("\" or "/") names a folder; root parts (drive, UNC
// share, leading separator) are never created. Each folder it creates gets
// `created` (null: what its parent passes on); folders that exist already
// stay as they are. No folder is made where the way to it holds a link
// `trust` does not follow. Returns 1 when every folder exists afterwards
// (also when there was nothing to do), 0 when one cannot be created or the
// path does not fit a working copy of kFolderUnits.
int CreateDirectoryChain(const wchar_t* path, const SECURITY_ATTRIBUTES* created = nullptr,
                         LinkTrust trust = LinkTrust::AnyOwner);

// Makes the folder `path` is in one that only the machine's accounts can
// change: when anyone else may, it gets the install folder's permissions,
// on itself alone (what it holds keeps its own). A drive's root is never
// changed. False when the folder is reached through a link `trust` does not
// follow, or cannot be read or protected.
bool SecureFolderOf(const wchar_t* path, LinkTrust trust);

// True when the folder `path` is in is reached without a link `trust` does
// not follow, and nothing at `path` itself is a link.
bool IsTrustedPlace(const wchar_t* path, LinkTrust trust);

// Writes a shell link at `shortcutPath` whose target is `targetPath`.
// Returns S_OK when the link was saved, otherwise the failure code of the
// first call that failed. COM must be initialised on the calling thread.
HRESULT CreateShortcut(const wchar_t* targetPath, const wchar_t* shortcutPath);
