// Where an edition's shortcuts go, resolved on Windows: setup writes them
// there and the uninstaller looks for them there.
#pragma once

#include "components.h"
#include "edition.h"
#include "path_text.h"
#include "system_places_win.h"
#include "wide_text.h"

// The edition's Start-menu folder: its system folder, the maker's folder and
// a backslash, into `folder` (kFolderUnits). False when the system names no
// such folder or the path does not fit. Inlined as GetSystemFolder is, so a
// program keeps only the lookups its edition makes.
__attribute__((always_inline)) inline bool GetStartMenuFolder(const Edition& edition, wchar_t* folder) {
  static_assert(kFolderUnits >= MAX_PATH, "the system folder is written in place");
  return GetSystemFolder(edition.startMenu, folder) && EndWithSeparator(folder, kFolderUnits) &&
         WideAppend(folder, kFolderUnits, kMakerFolder) && EndWithSeparator(folder, kFolderUnits);
}
