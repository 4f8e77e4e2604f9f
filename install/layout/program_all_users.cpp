// Linked into setup.exe and its uninstaller.
#include "edition.h"

const Edition& kProgramEdition = kAllUsersEdition;
