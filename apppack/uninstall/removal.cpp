#include "removal.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <cstring>

#include "components.h"
#include "file_system.h"
#include "owners.h"
#include "shell_link.h"
#include "system_places_win.h"
#include "wide_text.h"

namespace {

constexpr uint32_t kMaxRows = 32;
constexpr size_t kValueUnits = kFolderUnits + 16;  // longer data cannot be ours

// The system's folders a user could pick to install into directly.
const KNOWNFOLDERID* const kSystemFolders[] = {
    &FOLDERID_Desktop,      &FOLDERID_PublicDesktop,   &FOLDERID_Documents,          &FOLDERID_PublicDocuments,
    &FOLDERID_Downloads,    &FOLDERID_Music,           &FOLDERID_Pictures,           &FOLDERID_Videos,
    &FOLDERID_Profile,      &FOLDERID_RoamingAppData,  &FOLDERID_LocalAppData,       &FOLDERID_ProgramData,
    &FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86, &FOLDERID_ProgramFilesCommon, &FOLDERID_UserProgramFiles,
    &FOLDERID_Windows,      &FOLDERID_System,          &FOLDERID_Programs,           &FOLDERID_CommonPrograms,
    &FOLDERID_StartMenu,    &FOLDERID_CommonStartMenu,
};

bool Compose(wchar_t* out, size_t capacity, const wchar_t* a, const wchar_t* b, const wchar_t* c = L"") {
  out[0] = 0;
  if (WideAppend(out, capacity, a) && WideAppend(out, capacity, b) && WideAppend(out, capacity, c)) return true;
  out[0] = 0;
  return false;
}

// ---- Files and shortcuts ----------------------------------------------------

// The target a shortcut file names. False when it cannot be read.
bool ReadShortcutTarget(const wchar_t* shortcut, wchar_t* target, int capacity) {
  target[0] = 0;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  HRESULT result = CreateShellLink(&link, &file);
  if (SUCCEEDED(result)) result = file->Load(shortcut, STGM_READ);
  if (FAILED(result)) return false;
  // The item ID list keeps every name in UTF-16. The path stored beside it
  // may be in the ANSI code page, where letters outside it are lost, so it
  // is the fallback for a link without a list. Not the raw path either: it
  // may hold environment variables ("%ProgramFiles%\..."), which would never
  // compare equal.
  TaskMemory<ITEMIDLIST_ABSOLUTE> items;
  if (link->GetIDList(items.Put()) == S_OK && items.Valid() &&
      SHGetPathFromIDListEx(items.Get(), target, DWORD(capacity), GPFIDL_DEFAULT)) {
    return target[0] != 0;
  }
  target[0] = 0;
  return link->GetPath(target, capacity, nullptr, 0) == S_OK && target[0] != 0;
}

// Only a file of the size setup writes for the component is the program:
// a component never installed may have a user's own file of its name.
void RemovePrograms(const Installation& ours, RemovalReport* report) {
  wchar_t path[kFolderUnits];
  for (uint32_t k = 0; k < kComponentCount; ++k) {
    if (Compose(path, kFolderUnits, ours.folder, kComponentTable[k].name, L".exe")) {
      RemoveFile(path, ProgramKind, LinksFollowed(*ours.edition), report, kComponentTable[k].bytes);
    }
  }
}

// A shortcut is ours only while it leads into our folder: a later
// installation elsewhere writes the same names with its own targets.
void RemoveShortcuts(const Installation& ours, RemovalReport* report) {
  wchar_t folder[MAX_PATH + 16];
  if (!GetSystemFolder(ours.edition->startMenu, folder)) {
    // Never a quiet success: the shortcuts may all still be there.
    NoteFailure(report, L"The Start-menu shortcuts", kFolderUnknown);
    return;
  }
  if (!WideAppend(folder, MAX_PATH + 16, L"\\") || !WideAppend(folder, MAX_PATH + 16, kMakerFolder) ||
      !WideAppend(folder, MAX_PATH + 16, L"\\")) {
    return;
  }
  wchar_t shortcut[kFolderUnits];
  wchar_t target[kFolderUnits];
  for (uint32_t k = 0; k < kComponentCount; ++k) {
    if (!Compose(shortcut, kFolderUnits, folder, kComponentTable[k].name, L".lnk") || !PathExists(shortcut)) continue;
    if (ReadShortcutTarget(shortcut, target, kFolderUnits) && IsInFolder(target, ours.folder)) {
      RemoveFile(shortcut, ShortcutKind, LinksFollowed(*ours.edition), report);
    } else {
      NoteKept(report, ShortcutKind);
    }
  }
  RemoveFolderIfEmpty(folder, LinksFollowed(*ours.edition), report);
}

// ---- Registry -----------------------------------------------------------------

// A value as read back, with room for its text.
struct ValueBuffer {
  FoundValue found;
  wchar_t text[kValueUnits + 1];
};

void ReadRow(const RegistryRow& row, HKEY root, ValueBuffer* value) {
  value->found = FoundValue{};
  wchar_t path[kKeyPathUnits];
  RegistryKey key;
  if (!ComposeKeyPath(path, kKeyPathUnits, row.key) ||
      RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) {
    return;
  }
  DWORD type = 0;
  DWORD bytes = kValueUnits * sizeof(wchar_t);
  for (wchar_t& c : value->text) c = 0;  // REG_SZ data need not carry its terminator
  LONG result =
      RegQueryValueExW(key.Get(), row.valueName, nullptr, &type, reinterpret_cast<BYTE*>(value->text), &bytes);
  if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return;
  value->found.present = true;
  value->found.type = type;
  if (result == ERROR_MORE_DATA) return;  // too long to be anything we wrote
  if (type == REG_SZ) value->found.text = value->text;
  if (type == REG_DWORD && bytes == 4) std::memcpy(&value->found.number, value->text, 4);
}

// "HKEY_LOCAL_MACHINE\Software\...\key, value Name" for the closing message.
void NameValue(const RegistryRow& row, const Edition& edition, wchar_t* name, size_t capacity) {
  wchar_t path[kKeyPathUnits];
  ComposeKeyPath(path, kKeyPathUnits, row.key);
  name[0] = 0;
  WideAppend(name, capacity, edition.rootName);
  WideAppend(name, capacity, L"\\");
  WideAppend(name, capacity, path);
  if (row.valueName) {
    WideAppend(name, capacity, L", value ");
    WideAppend(name, capacity, row.valueName);
  } else {
    WideAppend(name, capacity, L", default value");
  }
}

void DeleteRowValue(const RegistryRow& row, const Edition& edition, RemovalReport* report) {
  wchar_t path[kKeyPathUnits];
  ComposeKeyPath(path, kKeyPathUnits, row.key);
  RegistryKey key;
  LONG result = RegOpenKeyExW(RegistryRootKey(edition.root), path, 0, KEY_SET_VALUE, key.Put());
  if (result == ERROR_SUCCESS) result = RegDeleteValueW(key.Get(), row.valueName);
  if (result == ERROR_SUCCESS) {
    NoteRemoved(report, RegistryKind);
    return;
  }
  wchar_t name[kFailureUnits];
  NameValue(row, edition, name, kFailureUnits);
  NoteFailure(report, name, uint32_t(result));
}

// True when the key exists and holds no value and no subkey.
bool IsEmptyKey(HKEY root, const wchar_t* path) {
  RegistryKey key;
  if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) return false;
  DWORD subkeys = 1, values = 1;
  return RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                          nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys == 0 && values == 0;
}

// Deletes the key when it holds no value and no subkey; a key that is gone
// already is fine.
void DeleteKeyIfEmpty(const wchar_t* path, const Edition& edition, RemovalReport* report) {
  HKEY root = RegistryRootKey(edition.root);
  if (!IsEmptyKey(root, path)) return;
  LONG result = RegDeleteKeyW(root, path);
  if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) return;
  wchar_t name[kFailureUnits];
  name[0] = 0;
  WideAppend(name, kFailureUnits, edition.rootName);
  WideAppend(name, kFailureUnits, L"\\");
  WideAppend(name, kFailureUnits, path);
  NoteFailure(report, name, uint32_t(result));
}

// Every value of the table still holding what setup.exe wrote, in groups
// that are still ours; then the keys those groups leave empty, deepest
// first, never up into the system's own keys.
void RemoveTable(const LayoutTable& table, const Installation& ours, RemovalReport* report) {
  if (table.count > kMaxRows) return;
  bool holds[kMaxRows] = {};
  bool present[kMaxRows] = {};
  const Edition& edition = *ours.edition;
  ValueBuffer value;
  for (uint32_t i = 0; i < table.count; ++i) {
    ReadRow(table.rows[i], RegistryRootKey(edition.root), &value);
    present[i] = value.found.present;
    holds[i] = HoldsWhatSetupWrote(table.rows[i], value.found, ours);
  }
  bool groupIsOurs[kMaxRows] = {};
  for (uint32_t i = 0; i < table.count; ++i) groupIsOurs[i] = holds[DecidingRow(table, i)];

  for (uint32_t i = 0; i < table.count; ++i) {
    if (groupIsOurs[i] && holds[i]) {
      DeleteRowValue(table.rows[i], edition, report);
    } else if (present[i]) {
      NoteKept(report, RegistryKind);
    }
  }

  wchar_t path[kKeyPathUnits];
  for (uint32_t depth = kKeyComponents; depth > table.systemDepth; --depth) {
    for (uint32_t i = 0; i < table.count; ++i) {
      if (!groupIsOurs[i] || KeyDepth(table.rows[i]) < depth) continue;
      if (ComposeKeyPrefix(table.rows[i], depth, path, kKeyPathUnits)) DeleteKeyIfEmpty(path, edition, report);
    }
  }
}

}  // namespace

DWORD OpenToRemove(const wchar_t* path, EntryKind kind, DWORD access, DWORD share, LinkTrust trust, UniqueHandle* file,
                   uint64_t* bytes) {
  DWORD error = OpenTrusted(path, TrustedOpen{access, share, OPEN_EXISTING, kind}, trust, file);
  if (error != ERROR_SUCCESS || !bytes) return error;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file->Get(), &size)) {
    error = GetLastError();
    file->Reset();
    return error;
  }
  *bytes = uint64_t(size.QuadPart);
  return ERROR_SUCCESS;
}

void RemoveOpened(HANDLE file, const wchar_t* path, ItemKind kind, RemovalReport* report, uint32_t attempts) {
  DWORD error = ERROR_SUCCESS;
  for (uint32_t attempt = 0; attempt < attempts; ++attempt) {
    if (attempt > 0) Sleep(100);
    if (MarkForDeletion(file)) {
      NoteRemoved(report, kind);
      return;
    }
    error = GetLastError();
  }
  NoteFailure(report, path, error);
}

void RemoveFile(const wchar_t* path, ItemKind kind, LinkTrust trust, RemovalReport* report, uint64_t bytes) {
  UniqueHandle file;
  uint64_t found = 0;
  DWORD error = OpenToRemove(path, EntryKind::File, DELETE, kShareAll, trust, &file, &found);
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;  // never installed, or removed already
  if (error != ERROR_SUCCESS) {
    NoteFailure(report, path, error);
  } else if (bytes == kAnySize || found == bytes) {
    RemoveOpened(file.Get(), path, kind, report);
  }
}

bool MayRemoveFolder(const wchar_t* folder) {
  if (IsRootFolder(folder)) return false;
  for (const KNOWNFOLDERID* id : kSystemFolders) {
    TaskMemory<wchar_t> path;
    if (SUCCEEDED(SHGetKnownFolderPath(*id, 0, nullptr, path.Put())) && SamePath(path.Get(), folder)) return false;
  }
  return true;
}

void RemoveFolderIfEmpty(const wchar_t* folder, LinkTrust trust, RemovalReport* report) {
  if (!IsExistingFolder(folder) || !MayRemoveFolder(folder)) return;
  UniqueHandle handle;
  DWORD error = OpenToRemove(folder, EntryKind::Folder, DELETE, kShareAll, trust, &handle, nullptr);
  if (error == ERROR_SUCCESS) {
    if (MarkForDeletion(handle.Get())) {
      NoteRemoved(report, FolderKind);
      return;
    }
    error = GetLastError();
  }
  if (error != ERROR_DIR_NOT_EMPTY) NoteFailure(report, folder, error);
}

void RemoveInstallation(const Installation& ours, RemovalReport* report) {
  RemovePrograms(ours, report);
  RemoveShortcuts(ours, report);
  uint32_t before = report->removed[RegistryKind];
  RemoveTable(kLayoutTables[0], ours, report);
  // Explorer caches what each file type shows and offers.
  if (report->removed[RegistryKind] != before) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  for (uint32_t i = 1; i < sizeof kLayoutTables / sizeof kLayoutTables[0]; ++i) {
    RemoveTable(kLayoutTables[i], ours, report);
  }
}
