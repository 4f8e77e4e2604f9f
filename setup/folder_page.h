// The destination-folder page: the folder picker and the space texts.
#pragma once

#include <windows.h>

struct SetupContext;

// What the picker callback is told: the owner, an optional caption and OK
// text, the instruction, and the buffer (at least 260 units) holding the
// folder to preselect.
struct FolderPickRequest {
  HWND owner;
  const wchar_t* caption;
  const wchar_t* title;
  const wchar_t* okText;
  wchar_t* path;
};

// Runs the folder picker over the visible page; a picked folder becomes the
// install folder. Cancelling, or a pick that is no file-system folder,
// changes nothing.
void BrowseForFolder();

// The picker's callback: applies the request once the picker is ready.
int CALLBACK BrowseCallback(HWND picker, UINT message, LPARAM parameter, LPARAM request);

// Recomputes requiredBytes from the check boxes, shows the space required
// and available, and enables "&Install" only when something is selected and fits.
void UpdateSpaceInfo(SetupContext* context);
