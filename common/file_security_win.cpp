#include "file_security.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

// Read and execute is 0x1200a9. ALL APPLICATION PACKAGES is S-1-15-2-1, ALL
// RESTRICTED APPLICATION PACKAGES S-1-15-2-2.
const wchar_t* const kDescriptorTexts[] = {
    L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICI;0x1200a9;;;S-1-15-2-1)"
    L"(A;OICI;0x1200a9;;;S-1-15-2-2)",
    L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)(A;;0x1200a9;;;S-1-15-2-1)(A;;0x1200a9;;;S-1-15-2-2)",
    L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)",
};

// NT SERVICE\TrustedInstaller, which owns the system's own files.
struct {
  BYTE revision = SID_REVISION, count = 6;
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  DWORD parts[6] = {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464};
} kTrustedInstaller;

}  // namespace

bool MakeDescriptor(Protection protection, LocalMemory* descriptor) {
  return ConvertStringSecurityDescriptorToSecurityDescriptorW(kDescriptorTexts[int(protection)], SDDL_REVISION_1,
                                                              descriptor->Put(), nullptr) != 0;
}

Account AccountOf(PSID sid) {
  if (!sid || !IsValidSid(sid)) return Account::Other;
  if (IsWellKnownSid(sid, WinLocalSystemSid)) return Account::System;
  if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) return Account::Administrators;
  if (EqualSid(sid, &kTrustedInstaller)) return Account::TrustedInstaller;
  return Account::Other;
}

bool OthersMayChange(HANDLE file) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                      &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return true;
  }
  LocalMemory held(descriptor);
  if (!dacl) return true;  // no list at all lets everyone do everything
  constexpr size_t kMaxGrants = 64;
  AccessGrant grants[kMaxGrants];
  size_t count = 0;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    if (!GetAce(dacl, i, reinterpret_cast<void**>(&header))) return true;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) continue;
    if (count == kMaxGrants) return true;  // more than anyone writes by hand: not ours to judge
    auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    grants[count++] = {AccountOf(&allowed->SidStart), allowed->Mask};
  }
  return ::OthersMayChange(AccountOf(owner), grants, count);
}

bool Protect(HANDLE file, Protection protection) {
  LocalMemory descriptor;
  return MakeDescriptor(protection, &descriptor) &&
         SetKernelObjectSecurity(
             file, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
             descriptor.Get()) != 0;
}
