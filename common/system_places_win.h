// The named places of system_places.h, resolved on Windows.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "system_places.h"

inline HKEY RegistryRootKey(RegistryRoot root) {
  return root == CurrentUserRoot ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// The user's own programs folder, into `path` (MAX_PATH units), made when
// it is missing. False when it cannot be had.
bool GetUserProgramFiles(wchar_t* path);

// Writes the folder's path, without a trailing backslash, into `path`
// (MAX_PATH units). The user's programs folder is made when it is missing.
// Returns false when the system does not name the folder or it cannot be
// made. Always inlined: a program names its folders through the constant
// record of its edition, so it keeps only the lookups it makes (setup.exe
// never looks for the user's programs folder).
__attribute__((always_inline)) inline bool GetSystemFolder(SystemFolder folder, wchar_t* path) {
  if (folder == SystemFolder::UserProgramFiles) return GetUserProgramFiles(path);
  const int csidl = folder == SystemFolder::ProgramFiles                ? CSIDL_PROGRAM_FILES
                    : folder == SystemFolder::AllUsersStartMenuPrograms ? CSIDL_COMMON_PROGRAMS
                                                                        : CSIDL_PROGRAMS;
  return SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK;
}
