#include "folder_security.h"

// The layouts are the system's own: a 20-byte header (revision 1, control,
// then the offsets of owner, group, SACL and DACL), the ACL header (revision
// 2, size, entry count), then each entry: type 0 (allow), flags, size, access
// mask and SID. All numbers little-endian.
#define SELF_RELATIVE_WITH_PROTECTED_DACL 1, 0, 0x04, 0x90, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0
#define ACL_HEADER(size, count) 2, 0, size, 0, count, 0, 0, 0
// Allowed, inherited by files (0x01) and folders (0x02) created inside.
#define ALLOW_INHERITED(size, mask) 0, 0x03, size, 0, mask
#define FULL_CONTROL 0xFF, 0x01, 0x1F, 0x00      // FILE_ALL_ACCESS
#define READ_AND_EXECUTE 0xA9, 0x00, 0x12, 0x00  // FILE_GENERIC_READ | FILE_GENERIC_EXECUTE
#define NT_AUTHORITY 0, 0, 0, 0, 0, 5
#define SID_SYSTEM 1, 1, NT_AUTHORITY, 18, 0, 0, 0                         // S-1-5-18
#define SID_ADMINISTRATORS 1, 2, NT_AUTHORITY, 32, 0, 0, 0, 0x20, 2, 0, 0  // S-1-5-32-544
#define SID_USERS 1, 2, NT_AUTHORITY, 32, 0, 0, 0, 0x21, 2, 0, 0           // S-1-5-32-545

// clang-format off
alignas(4) const uint8_t kInstallFolderSecurity[96] = {
    SELF_RELATIVE_WITH_PROTECTED_DACL,
    ACL_HEADER(76, 3),
    ALLOW_INHERITED(20, FULL_CONTROL), SID_SYSTEM,
    ALLOW_INHERITED(24, FULL_CONTROL), SID_ADMINISTRATORS,
    ALLOW_INHERITED(24, READ_AND_EXECUTE), SID_USERS,
};

alignas(4) const uint8_t kAdministratorsOnlySecurity[72] = {
    SELF_RELATIVE_WITH_PROTECTED_DACL,
    ACL_HEADER(52, 2),
    ALLOW_INHERITED(20, FULL_CONTROL), SID_SYSTEM,
    ALLOW_INHERITED(24, FULL_CONTROL), SID_ADMINISTRATORS,
};
// clang-format on
