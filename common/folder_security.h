// Security descriptors for folders the programs create, as the bytes the
// system takes: self-relative, with no owner (the creator's default owner
// applies) and a protected DACL, so nothing is inherited from the parent
// folder while every entry is inherited by what is created inside.
// Platform neutral.
#pragma once

#include <cstdint>

// SYSTEM and Administrators: full control; Users: read and execute. An
// installation for all users: anyone may run its programs, only an
// administrator may change them.
extern const uint8_t kInstallFolderSecurity[96];

// SYSTEM and Administrators: full control, nobody else. Where an elevated
// program keeps a copy of itself that no unelevated process may touch.
extern const uint8_t kAdministratorsOnlySecurity[72];
