// The destination-folder page: the folder picker and the space texts.
#pragma once

#include <windows.h>

struct SetupContext;

// Runs the folder picker over the visible page; a picked folder becomes the
// install folder. Cancelling, or a pick that is no file-system folder,
// changes nothing.
void BrowseForFolder(SetupContext* context);

// Recomputes requiredBytes from the check boxes, shows the space required
// and available, and enables "&Install" only when something is selected and fits.
void UpdateSpaceInfo(SetupContext* context);
