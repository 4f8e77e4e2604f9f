// The places of the system an installation lives in, by name: the registry
// root its values go below, and the folders its files and shortcuts go
// below. An edition of the App Pack names its places; system_places_win.h
// resolves them. Platform neutral.
#pragma once

#include <cstdint>

enum RegistryRoot : uint32_t {
  LocalMachineRoot,  // HKEY_LOCAL_MACHINE: every user of the machine
  CurrentUserRoot,   // HKEY_CURRENT_USER: the user running the program
};

enum class SystemFolder : uint32_t {
  ProgramFiles,               // the machine's programs
  UserProgramFiles,           // the user's own programs (%LOCALAPPDATA%\Programs)
  AllUsersStartMenuPrograms,  // the Start menu's programs of every user
  UserStartMenuPrograms,      // the user's own Start-menu programs
};
