#include "trusted_paths.h"

#include <aclapi.h>

#include "file_security.h"
#include "file_system.h"
#include "path_text.h"
#include "wide_text.h"

namespace {

// A path with the prefix the system's final names carry, and room to spare.
constexpr size_t kFinalUnits = kFolderUnits + 8;

bool EqualNoCase(const wchar_t* a, const wchar_t* b) { return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL; }

// Where an open file or folder really is, as a plain path: "\\?\C:\..." as
// "C:\...", "\\?\UNC\server\share\..." as "\\server\share\...".
bool FinalPathOf(HANDLE file, wchar_t* path, size_t capacity) {
  wchar_t found[kFinalUnits];
  DWORD length = GetFinalPathNameByHandleW(file, found, kFinalUnits, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= kFinalUnits) return false;
  if (CompareStringOrdinal(found, 8, L"\\\\?\\UNC\\", 8, TRUE) == CSTR_EQUAL) {
    return WideCopy(path, capacity, L"\\") && WideAppend(path, capacity, found + 7);
  }
  return CompareStringOrdinal(found, 4, L"\\\\?\\", 4, FALSE) == CSTR_EQUAL && WideCopy(path, capacity, found + 4);
}

bool EndWithSeparator(wchar_t* path, size_t capacity) {
  size_t length = WideLength(path);
  return (length > 0 && IsSeparator(path[length - 1])) || WideAppend(path, capacity, L"\\");
}

// What an open entry is. Every reparse point counts as a link: junctions,
// symbolic links and mount points lead elsewhere, and the few kinds that do
// not (files kept in the cloud) have no place on the way to a program.
struct EntryFacts {
  bool folder;
  bool link;
};

bool FactsOf(HANDLE file, EntryFacts* facts) {
  FILE_ATTRIBUTE_TAG_INFO info;
  if (!GetFileInformationByHandleEx(file, FileAttributeTagInfo, &info, sizeof info)) return false;
  facts->folder = info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY;
  facts->link = info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
  return true;
}

Account OwnerOf(HANDLE file) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return Account::Other;  // an owner no one can read is no one we trust
  }
  LocalMemory held(descriptor);
  return AccountOf(owner);
}

// Takes the folder `name` below the resolved `folder` one step further:
// through it when it is a plain folder, to where it leads when it is a link
// `trust` follows.
DWORD Step(wchar_t* folder, size_t capacity, LinkTrust trust) {
  UniqueHandle entry(CreateFileW(folder, FILE_READ_ATTRIBUTES | READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  EntryFacts facts;
  if (!entry.Valid() || !FactsOf(entry.Get(), &facts)) return GetLastError();
  if (facts.link) {
    if (!MayFollowLink(trust, OwnerOf(entry.Get()))) return kReachedThroughLink;
    entry.Reset(CreateFileW(folder, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                            nullptr));
    if (!entry.Valid() || !FactsOf(entry.Get(), &facts)) return GetLastError();
  }
  if (!facts.folder) return ERROR_DIRECTORY;
  // The system's own spelling: long names for short ones, as a final path
  // of what lies below will be. Where it cannot say (Wine, past MAX_PATH),
  // the spelling given stays; only a link could change the place, and a
  // link has been looked at.
  wchar_t named[kFinalUnits];
  if (FinalPathOf(entry.Get(), named, kFinalUnits)) {
    if (!WideCopy(folder, capacity, named)) return ERROR_FILENAME_EXCED_RANGE;
  } else if (facts.link) {
    return kReachedThroughLink;  // where it leads must be known
  }
  return EndWithSeparator(folder, capacity) ? ERROR_SUCCESS : ERROR_FILENAME_EXCED_RANGE;
}

// True when both handles are the same file.
bool SameEntry(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION x, y;
  return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
         x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}

}  // namespace

// The length of the root part of a fully qualified path: "C:\" or
// "\\server\share\". 0 for any other path.
size_t RootLength(const wchar_t* path) {
  if (((path[0] | 0x20) >= L'a' && (path[0] | 0x20) <= L'z') && path[1] == L':' && IsSeparator(path[2])) return 3;
  if (!IsSeparator(path[0]) || !IsSeparator(path[1]) || path[2] == L'?' || path[2] == L'.') return 0;
  size_t i = 2, parts = 0;
  while (parts < 2) {
    size_t start = i;
    while (path[i] && !IsSeparator(path[i])) ++i;
    if (i == start) return 0;
    ++parts;
    if (!path[i]) return parts == 2 ? i : 0;
    ++i;
  }
  return i;
}

bool IsFileAt(HANDLE file, const wchar_t* path) {
  wchar_t found[kFinalUnits];
  if (FinalPathOf(file, found, kFinalUnits)) return EqualNoCase(found, path);
  UniqueHandle other(CreateFileW(path, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return other.Valid() && SameEntry(file, other.Get());
}

void EnableRedirectionGuard() {
  PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY policy = {};
  policy.EnforceRedirectionTrust = 1;
  SetProcessMitigationPolicy(ProcessRedirectionTrustPolicy, &policy, sizeof policy);
}

DWORD ResolveTrusted(const wchar_t* given, LinkTrust trust, wchar_t* resolved, size_t capacity) {
  // A relative or rooted path names a folder as the current folder and
  // drive say.
  wchar_t folder[kFinalUnits];
  DWORD length = GetFullPathNameW(given, kFinalUnits, folder, nullptr);
  if (length == 0 || length >= kFinalUnits) return ERROR_BAD_PATHNAME;
  size_t root = RootLength(folder);
  if (root == 0 || root >= capacity) return ERROR_BAD_PATHNAME;
  for (size_t i = 0; i < root; ++i) resolved[i] = folder[i];
  resolved[root] = 0;
  if (!EndWithSeparator(resolved, capacity)) return ERROR_FILENAME_EXCED_RANGE;
  for (const wchar_t* part = folder + root; *part;) {
    while (IsSeparator(*part)) ++part;
    const wchar_t* end = part;
    while (*end && !IsSeparator(*end)) ++end;
    if (end == part) break;
    size_t at = WideLength(resolved), length = size_t(end - part);
    if (at + length + 2 > capacity) return ERROR_FILENAME_EXCED_RANGE;
    for (size_t i = 0; i < length; ++i) resolved[at + i] = part[i];
    resolved[at + length] = 0;
    DWORD error = Step(resolved, capacity, trust);
    if (error != ERROR_SUCCESS) return error;
    part = end;
  }
  return ERROR_SUCCESS;
}

DWORD OpenTrusted(const wchar_t* path, const TrustedOpen& how, LinkTrust trust, UniqueHandle* handle, bool* created) {
  handle->Reset();
  if (created) *created = false;
  // The folder the entry is in, and its name (a folder's own, without a
  // trailing separator).
  size_t length = WideLength(path);
  while (length > 0 && IsSeparator(path[length - 1])) --length;
  size_t name = length;
  while (name > 0 && !IsSeparator(path[name - 1])) --name;
  size_t root = RootLength(path);
  if (root == 0 || name < root || name == length || length >= kFolderUnits) return ERROR_BAD_PATHNAME;
  wchar_t folder[kFolderUnits];
  for (size_t i = 0; i < name; ++i) folder[i] = path[i];
  folder[name] = 0;
  wchar_t resolved[kFinalUnits];
  DWORD error = ResolveTrusted(folder, trust, resolved, kFinalUnits);
  if (error != ERROR_SUCCESS) return error;
  size_t at = WideLength(resolved);
  if (at + length - name >= kFinalUnits) return ERROR_FILENAME_EXCED_RANGE;
  for (size_t i = name; i < length; ++i) resolved[at++] = path[i];
  resolved[at] = 0;

  DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (how.kind == EntryKind::Folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
  handle->Reset(CreateFileW(resolved,
                            how.access | FILE_READ_ATTRIBUTES | (how.disposition == OPEN_EXISTING ? 0 : DELETE),
                            how.share, nullptr, how.disposition, FILE_ATTRIBUTE_NORMAL | flags, nullptr));
  if (!handle->Valid()) return GetLastError();
  bool made = how.disposition == CREATE_NEW || (how.disposition != OPEN_EXISTING && GetLastError() == ERROR_SUCCESS);
  EntryFacts facts;
  if (!FactsOf(handle->Get(), &facts)) {
    error = GetLastError();
  } else if (facts.link) {
    error = kReachedThroughLink;  // never the link itself as if it were the entry
  } else if (facts.folder != (how.kind == EntryKind::Folder)) {
    error = how.kind == EntryKind::Folder ? ERROR_DIRECTORY : ERROR_ACCESS_DENIED;
  } else if (!IsFileAt(handle->Get(), resolved)) {
    error = kReachedThroughLink;
  }
  if (error != ERROR_SUCCESS) {
    if (made) MarkForDeletion(handle->Get());
    handle->Reset();
    return error;
  }
  if (created) *created = made;
  return ERROR_SUCCESS;
}

bool MarkForDeletion(HANDLE file) {
  // The name goes at once, even while a scanner or an indexer still holds
  // the file, so that its folder can go right after.
  FILE_DISPOSITION_INFO_EX posix = {FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS};
  // FileDispositionInfoEx, which the headers name only for a newer target.
  constexpr auto kDispositionEx = FILE_INFO_BY_HANDLE_CLASS(21);
  if (SetFileInformationByHandle(file, kDispositionEx, &posix, sizeof posix)) return true;
  DWORD error = GetLastError();
  // File systems without it (FAT, many network shares, Wine) refuse the
  // request itself; any other refusal is the answer.
  if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED && error != ERROR_INVALID_FUNCTION) return false;
  FILE_DISPOSITION_INFO legacy = {TRUE};
  return SetFileInformationByHandle(file, FileDispositionInfo, &legacy, sizeof legacy);
}
