// The one record of installer state. wWinMain owns it; the dialog
// procedures reach it through g_setup and hand it to everything they call.
#pragma once

#include <windows.h>

#include <cstdint>

#include "components.h"
#include "edition.h"
#include "path_text.h"
#include "payload.h"
#include "registry_layout.h"

enum class InstallState : uint32_t {
  Idle = 0,
  Installing = 1,
  Finished = 2,
  Closing = 3,
};

// The wizard's pages, in the order they are shown; the value is the index
// into `pages` and `currentPage`.
enum Page : uint32_t {
  LicensePage,
  ComponentsPage,
  FolderPage,
  ProgressPage,
  kPageCount,
};

constexpr uint32_t kScratchBytes = 512;

// One area shared in turn: single-byte text (the license, the space texts)
// or UTF-16 text (a registry key path). Nothing in it outlives the operation
// that filled it.
union ScratchArea {
  char text[kScratchBytes];
  wchar_t wide[kScratchBytes / sizeof(wchar_t)];
};

struct SetupContext {
  HINSTANCE instance;
  HWND frameWindow;        // null until CreateDialogParamW returns
  HWND pages[kPageCount];  // license, components, destination folder, progress
  HWND detailsList;
  HICON icon;
  RECT licenseRect;                // the license edit's formatting rectangle before any margin
  const uint8_t* payloadResource;  // read in place in the loaded image
  uint32_t payloadResourceSize;
  uint32_t currentPage;
  InstallState state;
  uint32_t errorCount;
  bool associationsChanged;            // a shell registration was written: Explorer is told at the end
  uint32_t requiredBytes;              // selected programs plus the uninstaller; 0 when nothing is selected
  uint32_t pendingStep;                // next install step + 1; 0 when none is due
  wchar_t installDir[kFolderUnits];    // ends with a backslash
  wchar_t startMenuDir[kFolderUnits];  // ends with a backslash
  wchar_t browseDir[kFolderUnits];     // the picker's preselection and result, as given
  PayloadEntry entries[kPayloadEntryCount];
  PayloadBuffer payload;
  ScratchArea scratch;
  const wchar_t* componentNames[kComponentCount + 1];  // the components', then the uninstaller's
  const Edition* edition;                              // the edition this program installs; set once
};

static_assert(sizeof(InstallState) == 4, "the state is a 32-bit field");
static_assert(sizeof(ScratchArea::wide) / sizeof(wchar_t) == kKeyPathUnits, "key paths are composed in scratch");
static_assert(sizeof(PayloadTime) == sizeof(FILETIME), "payload times are handed on as FILETIMEs");

// The one global, for the dialog procedures alone: the system calls them
// with nothing of ours. Set once by wWinMain before anything else runs.
extern SetupContext* g_setup;

// Sets the instance, the names and the edition of a value-initialised record
// (the payload buffer starts empty) and publishes it through g_setup.
void InitSetupContext(SetupContext* context, HINSTANCE instance, const Edition& edition);

// Loads the payload and settles installDir, browseDir and startMenuDir from
// the AppPath of the context's edition, or from the edition's folders.
// Returns 1 on success, 0 on failure.
int InitPaths(SetupContext* context);
// Its two halves, in that order: the payload (returns LoadPayload's status)
// and the folders (1 on success, 0 on failure).
PayloadStatus LoadSetupPayload(SetupContext* context);
int SettleFolders(SetupContext* context);

// Non-zero when the calling thread's token is in the built-in Administrators
// group; 0 otherwise, also when the test itself fails.
int IsUserAdmin();
