// Linked into setup-user.exe and its uninstaller.
#include "edition.h"

const Edition& kProgramEdition = kSingleUserEdition;
