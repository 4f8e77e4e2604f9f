#include "trusted_paths.h"

#include <aclapi.h>

#include "file_security.h"
#include "file_system.h"
#include "path_text.h"
#include "wide_text.h"

namespace {

// A path with the prefix the system's final names carry, and room to spare.
constexpr size_t kFinalUnits = kFolderUnits + 8;

// Where an open file or folder really is, as a plain path.
bool FinalPathOf(HANDLE file, wchar_t* path, size_t capacity) {
  wchar_t found[kFinalUnits];
  DWORD length = GetFinalPathNameByHandleW(file, found, kFinalUnits, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= kFinalUnits) return false;
  return PlainFinalPath(found, path, capacity);
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

// Takes `folder`, a resolved folder and one more name below it, one step
// further: through that name when it is a plain folder, to where it leads
// when it is a link `trust` follows. Leaves the result resolved, ending
// with a separator.
DWORD Step(wchar_t* folder, size_t capacity, LinkTrust trust) {
  UniqueHandle entry(CreateFileW(folder, FILE_READ_ATTRIBUTES | READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  EntryFacts facts;
  if (!entry.Valid() || !FactsOf(entry.Get(), &facts)) return GetLastError();
  // Windows opens the link itself; Wine follows a link of the file system it
  // runs on even so, and shows it only in the path's attributes.
  DWORD attributes = GetFileAttributesW(folder);
  bool link = facts.link || (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT));
  // Where the folder is, named as the system names it: only the spelling
  // of its name may differ from what was given (case, a short name for a
  // long one), unless it is a link that may be followed.
  wchar_t spelled[kFinalUnits];
  wchar_t named[kFinalUnits];
  DWORD length = GetLongPathNameW(folder, spelled, kFinalUnits);
  bool known = length > 0 && length < kFinalUnits;
  bool found = FinalPathOf(entry.Get(), named, kFinalUnits);
  if (!link && found) link = !known || !SamePath(named, spelled);
  if (link) {
    if (!MayFollowLink(trust, OwnerOf(entry.Get()))) return kReachedThroughLink;
    entry.Reset(CreateFileW(folder, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                            nullptr));
    if (!entry.Valid() || !FactsOf(entry.Get(), &facts)) return GetLastError();
    // Where it leads must be known: what lies below is checked against it.
    if (!FinalPathOf(entry.Get(), named, kFinalUnits)) return kReachedThroughLink;
  } else if (!found) {
    // Wine, past MAX_PATH: the long spelling stands in.
    if (!known || !WideCopy(named, kFinalUnits, spelled)) return ERROR_FILENAME_EXCED_RANGE;
  }
  if (!facts.folder) return ERROR_DIRECTORY;
  if (!WideCopy(folder, capacity, named)) return ERROR_FILENAME_EXCED_RANGE;
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

bool IsFileAt(HANDLE file, const wchar_t* path) {
  wchar_t found[kFinalUnits];
  if (FinalPathOf(file, found, kFinalUnits)) return SamePath(found, path);
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
  for (const wchar_t* part = SkipSeparators(folder + root); *part; part = SkipSeparators(part + NameLength(part))) {
    size_t at = WideLength(resolved), length = NameLength(part);
    if (at + length + 2 > capacity) return ERROR_FILENAME_EXCED_RANGE;
    for (size_t i = 0; i < length; ++i) resolved[at + i] = part[i];
    resolved[at + length] = 0;
    DWORD error = Step(resolved, capacity, trust);
    if (error != ERROR_SUCCESS) return error;
  }
  return ERROR_SUCCESS;
}

DWORD OpenTrusted(const wchar_t* path, const TrustedOpen& how, LinkTrust trust, UniqueHandle* handle, bool* created) {
  handle->Reset();
  if (created) *created = false;
  // The folder the entry is in, and its name (a folder's own, without a
  // trailing separator).
  wchar_t own[kFolderUnits], folder[kFolderUnits];
  if (!WideCopy(own, kFolderUnits, path)) return ERROR_BAD_PATHNAME;
  for (size_t n = WideLength(own); n > 0 && IsSeparator(own[n - 1]); --n) own[n - 1] = 0;
  if (!FolderOfPath(own, folder, kFolderUnits) || RootLength(folder) == 0) return ERROR_BAD_PATHNAME;
  wchar_t resolved[kFinalUnits];
  DWORD error = ResolveTrusted(folder, trust, resolved, kFinalUnits);
  if (error != ERROR_SUCCESS) return error;
  if (!WideAppend(resolved, kFinalUnits, own + WideLength(folder))) return ERROR_FILENAME_EXCED_RANGE;

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
