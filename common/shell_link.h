// The shell's link object, as setup writes shortcuts and the uninstaller
// reads them back.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "owners.h"

// A new shell link object and its file interface. Returns S_OK, or the
// failure of the first call that failed (both owners are then empty). COM
// must be initialised on the calling thread.
HRESULT CreateShellLink(ComPtr<IShellLinkW>* link, ComPtr<IPersistFile>* file);
