#include "system_places_win.h"

#include <knownfolders.h>

#include "file_system.h"
#include "owners.h"
#include "wide_text.h"

// In a section of its own (our objects keep their code in one), so that the
// link drops it from a program that never asks for this folder.
__attribute__((section(".text$user_program_files"))) bool GetUserProgramFiles(wchar_t* path) {
  TaskMemory<wchar_t> known;
  if (SHGetKnownFolderPath(FOLDERID_UserProgramFiles, KF_FLAG_CREATE, nullptr, known.Put()) == S_OK) {
    return WideCopy(path, MAX_PATH, known.Get());
  }
  // Where the system has no such known folder (Wine 8 has none), the user's
  // programs go where Windows keeps them: "Programs" in the user's local
  // application data.
  if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return false;
  if (!WideAppend(path, MAX_PATH, L"\\Programs")) return false;
  CreateDirectoryW(path, nullptr);
  return IsExistingFolder(path);
}
