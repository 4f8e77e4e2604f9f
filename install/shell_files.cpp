#include "shell_files.h"

#include "file_security.h"
#include "file_system.h"
#include "path_text.h"
#include "shell_link.h"
#include "trusted_paths.h"
#include "wide_text.h"

int CreateDirectoryChain(const wchar_t* path, const SECURITY_ATTRIBUTES* created, LinkTrust trust) {
  // As large as the folder fields: an install folder picked at the longest
  // path the picker returns, plus its backslash and the maker's folder, fits.
  wchar_t prefix[kFolderUnits] = {};
  if (path[0] == 0) return 1;

  // The root part of the path is never created: a separator counts only from
  // the required-th one on and at the minimum index or later.
  unsigned required;
  size_t minimum;
  if (IsSeparator(path[0]) && IsSeparator(path[1])) {
    required = 4, minimum = 5;  // \\server\share\ ...
  } else if (IsSeparator(path[0])) {
    required = 2, minimum = 2;  // \Apps\ ...
  } else if (path[1] == L':') {
    required = 2, minimum = 4;  // C:\Program Files\ ...
  } else {
    required = 1, minimum = 1;  // Apps\ ...
  }

  size_t length = 0;
  while (path[length]) {
    if (++length >= kFolderUnits) return 0;  // refused before touching anything
  }

  unsigned separators = 0;
  for (size_t i = 0; i < length; ++i) {
    prefix[i] = path[i];
    if (!IsSeparator(path[i])) continue;
    ++separators;
    if (separators < required || i < minimum) continue;
    if (IsExistingFolder(prefix)) continue;
    // Made only where the folder above is reached as the rule allows: a
    // link there would put the new folder wherever its owner wants.
    wchar_t parent[kFolderUnits];
    wchar_t resolved[kFolderUnits + 8];
    prefix[i] = 0;
    if (!FolderOfPath(prefix, parent, kFolderUnits)) WideCopy(parent, kFolderUnits, L".\\");  // the current folder
    bool trusted = ResolveTrusted(parent, trust, resolved, kFolderUnits + 8) == ERROR_SUCCESS;
    prefix[i] = path[i];
    if (!trusted || !CreateDirectoryW(prefix, const_cast<SECURITY_ATTRIBUTES*>(created))) return 0;
  }
  return 1;
}

bool SecureFolderOf(const wchar_t* path, LinkTrust trust) {
  wchar_t folder[kFolderUnits];
  if (!FolderOfPath(path, folder, kFolderUnits)) return false;
  // A drive's root is the machine's, not the installation's: its files are
  // protected one by one instead.
  if (IsRootFolder(folder)) return true;
  const TrustedOpen how = {READ_CONTROL | WRITE_DAC | WRITE_OWNER, kShareAll, OPEN_EXISTING, EntryKind::Folder};
  UniqueHandle handle;
  if (OpenTrusted(folder, how, trust, &handle) != ERROR_SUCCESS) return false;
  return !OthersMayChange(handle.Get()) || Protect(handle.Get(), Protection::InstallFolder);
}

bool IsTrustedPlace(const wchar_t* path, LinkTrust trust) {
  // Its folder is resolved on the way; a missing file is a place to write.
  const TrustedOpen how = {FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING, EntryKind::File};
  UniqueHandle existing;
  DWORD error = OpenTrusted(path, how, trust, &existing);
  return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND;
}

HRESULT CreateShortcut(const wchar_t* targetPath, const wchar_t* shortcutPath) {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  HRESULT result = CreateShellLink(&link, &file);
  // A link whose target could not be set would point nowhere: it is not saved.
  if (SUCCEEDED(result)) result = link->SetPath(targetPath);
  if (SUCCEEDED(result)) result = file->Save(shortcutPath, TRUE);
  return result;
}
