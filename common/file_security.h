// The permissions of what an installation for all users writes, and the
// question whether someone else may change a file or folder already there.
#pragma once

#include <windows.h>

#include "owners.h"
#include "trust.h"

// The permission sets the programs give, owned by Administrators and
// protected, so that nothing is inherited from the folder above:
//  InstallFolder       SYSTEM and Administrators: full control; Users and
//                      app containers (what Program Files lets them):
//                      read and execute; inherited by what is created inside.
//  InstallFile         the same for one file.
//  AdministratorsOnly  SYSTEM and Administrators, nobody else; inherited.
enum class Protection : uint8_t {
  InstallFolder,
  InstallFile,
  AdministratorsOnly,
};

// The self-relative descriptor of `protection`, made by the system from its
// text. False when the system cannot make it.
bool MakeDescriptor(Protection protection, LocalMemory* descriptor);

// Which of the machine's accounts `sid` is, if any.
Account AccountOf(PSID sid);

// True when anyone but the machine's accounts may change the open `file`
// (opened with READ_CONTROL), or when its permissions cannot be read.
bool OthersMayChange(HANDLE file);

// Gives the open `file` (opened with WRITE_DAC and WRITE_OWNER) the owner
// and permissions of `protection`, on that entry alone: nothing it holds is
// touched. False when the system refuses.
bool Protect(HANDLE file, Protection protection);
