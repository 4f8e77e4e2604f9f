#include "components.h"
#include "edition.h"

#define TITLE(text) text, uint32_t(sizeof(text) / sizeof(wchar_t) * 2)

// Nothing of this edition reaches beyond the user's own profile, so any user
// may run it.
const Edition kSingleUserEdition = {
    TITLE(L"Velunora App Pack (Single User)"),
    CurrentUserRoot,
    L"HKEY_CURRENT_USER",
    SystemFolder::UserProgramFiles,
    SystemFolder::UserStartMenuPrograms,
    kSingleUserUninstallerEntry,
    false,
};
