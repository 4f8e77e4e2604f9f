#include "system_state.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "expect.h"

std::wstring RegistryValue::Text() const {
  std::wstring text(data.size() / 2, L'\0');
  if (!text.empty()) std::memcpy(&text[0], data.data(), text.size() * 2);
  size_t end = text.find(L'\0');
  return end == std::wstring::npos ? text : text.substr(0, end);
}

DWORD RegistryValue::Number() const {
  DWORD n = 0;
  if (data.size() == 4) std::memcpy(&n, data.data(), 4);
  return n;
}

RegistryValue ReadValue(const std::wstring& keyPath, const wchar_t* valueName, HKEY root) {
  RegistryValue value;
  HKEY key;
  if (RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExW(key, valueName, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.data.resize(size);
    value.present = RegQueryValueExW(key, valueName, nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS;
    value.data.resize(size);
  }
  RegCloseKey(key);
  return value;
}

bool KeyExists(const std::wstring& keyPath, HKEY root) {
  HKEY key;
  if (RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool WriteBytes(const std::wstring& keyPath, const wchar_t* valueName, DWORD type, const void* data, DWORD size,
                HKEY root) {
  HKEY key;
  if (RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool ok = RegSetValueExW(key, valueName, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

bool WriteText(const std::wstring& keyPath, const wchar_t* valueName, DWORD type, const std::wstring& text) {
  return WriteBytes(keyPath, valueName, type, text.c_str(), DWORD((text.size() + 1) * 2));
}

bool LastWriteTime(const std::wstring& path, FILETIME* time) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info)) return false;
  *time = info.ftLastWriteTime;
  return true;
}

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

// A folder's path without its trailing backslash: with it, Wine describes
// what lies behind a link rather than the link itself.
std::wstring WithoutSeparator(std::wstring path) {
  if (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

}  // namespace

bool IsLinkedFolder(const std::wstring& path) {
  const DWORD kLinkedFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  DWORD attributes = GetFileAttributesW(WithoutSeparator(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & kLinkedFolder) == kLinkedFolder;
}

bool AnyoneMayChange(const std::wstring& path, std::string* entry) {
  // Any of these lets its holder replace a file, or add, delete or rename
  // what a folder holds, or give itself such rights: FILE_WRITE_DATA
  // (a folder: add a file), FILE_APPEND_DATA (add a folder),
  // FILE_DELETE_CHILD, DELETE, WRITE_DAC, WRITE_OWNER, GENERIC_ALL,
  // GENERIC_WRITE.
  const DWORD kRightsToChange =
      0x00000002 | 0x00000004 | 0x00000040 | 0x00010000 | 0x00040000 | 0x00080000 | 0x10000000 | 0x40000000;
  const wchar_t* const kAnyone[] = {L"S-1-1-0", L"S-1-5-32-545", L"S-1-5-11"};  // Everyone, Users, Authenticated Users
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(WithoutSeparator(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                            &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    *entry = "the DACL cannot be read";
    return true;
  }
  bool open = !dacl;
  *entry = open ? "no DACL" : "";
  for (DWORD i = 0; dacl && !open && i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE ||
        !(ace->Mask & kRightsToChange)) {
      continue;
    }
    wchar_t* sid = nullptr;
    if (!ConvertSidToStringSidW(&ace->SidStart, &sid)) continue;
    for (const wchar_t* anyone : kAnyone) {
      if (lstrcmpW(sid, anyone) != 0) continue;
      char mask[16];
      std::snprintf(mask, sizeof mask, "0x%lx", ace->Mask);
      *entry = Narrow(sid) + " allowed " + mask;
      open = true;
    }
    LocalFree(sid);
  }
  LocalFree(descriptor);
  return open;
}

std::wstring DaclText(const std::wstring& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(WithoutSeparator(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                            nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return L"";
  }
  wchar_t* text = nullptr;
  std::wstring dacl;
  if (ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                           &text, nullptr)) {
    dacl = text;
    LocalFree(text);
  }
  LocalFree(descriptor);
  return dacl;
}

namespace {

std::wstring Hex(const BYTE* data, size_t size) {
  std::wstring out;
  const wchar_t* digits = L"0123456789abcdef";
  for (size_t i = 0; i < size; ++i) {
    out.push_back(digits[data[i] >> 4]);
    out.push_back(digits[data[i] & 15]);
  }
  return out;
}

// The bulk of the registry holds COM registrations, which no installer of
// ours touches; leaving them out keeps a snapshot well under a second.
bool IsComRegistration(const std::wstring& path) {
  static const wchar_t* const kSkipped[] = {L"Software\\Classes\\CLSID", L"Software\\Classes\\Interface",
                                            L"Software\\Classes\\TypeLib", L"Software\\Classes\\Wow6432Node",
                                            L"Software\\Wow6432Node"};
  for (const wchar_t* skipped : kSkipped) {
    if (path == skipped) return true;
  }
  return false;
}

// Wine keeps its own bookkeeping below HKCU\Software\Wine: the host's menu
// entries it makes for every Start-menu shortcut (and never takes back), and
// the session's system parameters. No program of ours writes there.
bool IsWineBookkeeping(const std::wstring& rootName, const std::wstring& path) {
  return rootName == L"HKCU\\" && path == L"Software\\Wine";
}

// Each registry call is a round trip to the wineserver, so a key is asked
// its sizes once, each value is read in one call, and subkeys are opened
// relative to their parent.
void SnapshotKey(HKEY key, const wchar_t* rootName, const std::wstring& path, Snapshot* out) {
  (*out)[rootName + path + L"\\"] = L"key";
  DWORD subkeys = 0, values = 0, maxName = 0, maxData = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, &maxName, &maxData, nullptr,
                   nullptr);
  std::vector<wchar_t> name(maxName + 1);
  std::vector<BYTE> data(maxData);
  for (DWORD i = 0; i < values; ++i) {
    DWORD nameLength = DWORD(name.size()), type = 0, size = DWORD(data.size());
    LONG result = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
    if (result == ERROR_MORE_DATA) {  // grown since it was asked
      name.resize(16384);
      data.resize(size);
      nameLength = DWORD(name.size());
      result = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
    }
    if (result != ERROR_SUCCESS) break;
    (*out)[rootName + path + L"\\:" + std::wstring(name.data(), nameLength)] =
        std::to_wstring(type) + L":" + Hex(data.data(), size);
  }
  std::vector<std::wstring> children;
  for (DWORD i = 0;; ++i) {
    wchar_t child[256];
    DWORD childLength = 256;
    if (RegEnumKeyExW(key, i, child, &childLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.push_back(child);
  }
  for (const std::wstring& child : children) {
    std::wstring childPath = path + L"\\" + child;
    if (IsComRegistration(childPath) || IsWineBookkeeping(rootName, childPath)) continue;
    HKEY childKey;
    if (RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &childKey) != ERROR_SUCCESS) continue;
    SnapshotKey(childKey, rootName, childPath, out);
    RegCloseKey(childKey);
  }
}

// The tree below `path` of `root`.
void SnapshotTree(HKEY root, const wchar_t* rootName, const std::wstring& path, Snapshot* out) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  SnapshotKey(key, rootName, path, out);
  RegCloseKey(key);
}

// FNV-1a: enough to tell two versions of a file apart.
std::wstring ContentHash(const std::wstring& path) {
  std::vector<BYTE> bytes;
  if (!ReadFileBytes(path, &bytes)) return L"unreadable";
  uint64_t hash = 14695981039346656037ull;
  for (BYTE b : bytes) hash = (hash ^ b) * 1099511628211ull;
  return std::to_wstring(hash);
}

bool IsShortcut(const std::wstring& name) { return name.size() > 4 && name.compare(name.size() - 4, 4, L".lnk") == 0; }

void SnapshotFolder(const std::wstring& folder, FileDetail detail, Snapshot* out) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> folders;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      (*out)[folder + name + L"\\"] = L"folder";
      folders.push_back(folder + name + L"\\");
    } else if (detail == kContents && IsShortcut(name)) {
      // A link file also records the times of its target and the target's
      // folders, which every rewrite of the target changes: what the link
      // says is its target.
      (*out)[folder + name] = L"shortcut to " + ShortcutTarget(folder + name);
    } else if (detail == kContents) {
      (*out)[folder + name] = std::to_wstring(found.nFileSizeLow) + L" bytes, hash " + ContentHash(folder + name);
    } else {
      (*out)[folder + name] = std::to_wstring(found.nFileSizeLow) + L" bytes, written " +
                              std::to_wstring(found.ftLastWriteTime.dwHighDateTime) + L"." +
                              std::to_wstring(found.ftLastWriteTime.dwLowDateTime);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  for (const std::wstring& f : folders) SnapshotFolder(f, detail, out);
}

}  // namespace

uint64_t FreeBytes(const std::wstring& path) {
  ULARGE_INTEGER available;
  return GetDiskFreeSpaceExW(path.c_str(), &available, nullptr, nullptr) ? available.QuadPart : 0;
}

std::wstring UserFolder(int csidl) {
  wchar_t path[MAX_PATH];
  if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return L"";
  return std::wstring(path) + L"\\";
}

std::wstring TempFolder() {
  wchar_t path[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, path);
  return length && length <= MAX_PATH ? std::wstring(path, length) : L"";
}

Snapshot TakeSnapshot(SnapshotScope scope, FileDetail detail) {
  Snapshot snapshot;
  SnapshotTree(HKEY_LOCAL_MACHINE, L"HKLM\\", L"Software", &snapshot);
  SnapshotFolder(kProgramFiles, detail, &snapshot);
  SnapshotFolder(kStartMenu, detail, &snapshot);
  if (scope == kMachineAndUserState) {
    SnapshotTree(HKEY_CURRENT_USER, L"HKCU\\", L"Software", &snapshot);
    SnapshotFolder(UserFolder(CSIDL_PROGRAMS), detail, &snapshot);
    SnapshotFolder(UserFolder(CSIDL_LOCAL_APPDATA) + L"Programs\\", detail, &snapshot);
    SnapshotFolder(TempFolder(), detail, &snapshot);
  }
  return snapshot;
}

std::vector<std::wstring> Differences(const Snapshot& before, const Snapshot& after) {
  std::vector<std::wstring> lines;
  for (const auto& item : before) {
    auto other = after.find(item.first);
    if (other == after.end()) {
      lines.push_back(L"removed " + item.first);
    } else if (other->second != item.second) {
      lines.push_back(L"changed " + item.first);
    }
  }
  for (const auto& item : after) {
    if (!before.count(item.first)) lines.push_back(L"added " + item.first);
  }
  return lines;
}
