// The App Pack comes in two editions, built from the same sources: setup.exe
// installs it for every user of the machine, setup-user.exe for the user who
// runs it, without administrator rights; each has its uninstaller. Whatever
// differs between them is data, in one record per edition. Platform neutral.
#pragma once

#include <cstdint>

#include "system_places.h"
#include "trust.h"

struct Edition {
  const wchar_t* title;       // the wizard's title, and the Add/Remove Programs DisplayName
  uint32_t titleBytes;        // the title as REG_SZ data: UTF-16 with its terminator
  RegistryRoot root;          // of every value written, and of the AppPath read
  const wchar_t* rootName;    // the root as the details list and the closing message name it
  SystemFolder programFiles;  // the default install folder is this + the maker's folder
  SystemFolder startMenu;     // the shortcuts go into this + the maker's folder
  uint32_t uninstallerEntry;  // the payload entry written as uninstall.exe
  // For an administrator only: setup turns away anyone else at start-up and
  // protects the folders it creates; the uninstaller runs elevated.
  bool needsAdministrator;
};

// What runs as an administrator follows only an administrator's links and
// protects what it writes; a user's own installation is the user's.
constexpr LinkTrust LinksFollowed(const Edition& edition) {
  return edition.needsAdministrator ? LinkTrust::AdministratorsOnly : LinkTrust::AnyOwner;
}
constexpr WriteRule WriteRuleOf(const Edition& edition) {
  return WriteRule{LinksFollowed(edition), edition.needsAdministrator};
}

extern const Edition kAllUsersEdition;
extern const Edition kSingleUserEdition;

// The edition of the program being built. Each program links exactly one of
// the libraries velunora_edition_all_users and velunora_edition_single_user,
// which define it; everything else is handed the record it works for.
extern const Edition& kProgramEdition;
