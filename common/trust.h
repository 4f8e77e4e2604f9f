// Whom an elevated program may trust with what it writes and removes: which
// links on the way it follows, and when a folder lets someone else change
// it. The decisions are plain data; trusted_paths.h and file_security.h ask
// the system for the facts. Platform neutral.
#pragma once

#include <cstddef>
#include <cstdint>

// Which links (junctions, symbolic links, mount points) on the way to a file
// a program follows. A program that runs as an administrator follows only
// an administrator's: any other user could point it anywhere. A program
// that acts with its user's own rights follows the user's too: nothing they
// lead to is out of that user's reach anyway.
enum class LinkTrust : uint8_t {
  AdministratorsOnly,
  AnyOwner,
};

// Why a path was refused: reached through a link not followed, or found at
// another place than its path says. Beside the system's error codes (bit 29
// marks a code of our own).
constexpr uint32_t kReachedThroughLink = 0x20000002;

// The owners and grantees that matter: the machine's own accounts, and
// everyone else.
enum class Account : uint8_t {
  System,
  Administrators,
  TrustedInstaller,
  Other,
};

constexpr bool IsMachineAccount(Account account) { return account != Account::Other; }

// True when a link owned by `owner` may be followed.
constexpr bool MayFollowLink(LinkTrust trust, Account owner) {
  return trust == LinkTrust::AnyOwner || IsMachineAccount(owner);
}

// The rights that change a file or folder or what it holds: write or
// append data (add a file or a folder), delete it or a child, change its
// permissions or its owner, and the generic rights that include them.
constexpr uint32_t kChangeRights =
    0x00000002 | 0x00000004 | 0x00000040 | 0x00010000 | 0x00040000 | 0x00080000 | 0x10000000 | 0x40000000;

// One entry of a permission list that allows something on the object
// itself (entries that only pass rights on to what is created inside do not
// count).
struct AccessGrant {
  Account grantee;
  uint32_t rights;
};

// True when anyone but the machine's accounts may change the object: its
// owner (who may always rewrite its permissions) or any grant of a right to
// change it.
bool OthersMayChange(Account owner, const AccessGrant* grants, size_t count);

// How a program writes what it installs: which links it follows on the way,
// and whether each file gets the permissions that let only administrators
// change it.
struct WriteRule {
  LinkTrust links;
  bool protect;
};
