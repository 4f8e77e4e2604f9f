#include "components.h"
#include "edition.h"

// The title's byte count is the compiler's, two bytes a unit also where
// wchar_t is wider (the native tests).
#define TITLE(text) text, uint32_t(sizeof(text) / sizeof(wchar_t) * 2)

const Edition kAllUsersEdition = {
    TITLE(L"Velunora App Pack (All Users)"),
    LocalMachineRoot,
    L"HKEY_LOCAL_MACHINE",
    SystemFolder::ProgramFiles,
    SystemFolder::AllUsersStartMenuPrograms,
    kUninstallerEntry,
    true,
};
