#include "windows_files.h"

#include <shlobj.h>

bool WriteFileBytes(const std::wstring& path, const void* data, size_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, data, DWORD(size), &written, nullptr) && written == size;
  CloseHandle(file);
  return ok;
}

bool ReadFileBytes(const std::wstring& path, std::vector<BYTE>* data) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  GetFileSizeEx(file, &size);
  data->assign(size_t(size.QuadPart), 0);
  DWORD got = 0;
  bool ok =
      size.QuadPart == 0 || (ReadFile(file, data->data(), DWORD(size.QuadPart), &got, nullptr) && got == size.QuadPart);
  CloseHandle(file);
  return ok;
}

std::wstring ShortcutTarget(const std::wstring& shortcut) {
  std::wstring target;
  IShellLinkW* link;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      // The item ID list keeps the target's names in UTF-16; the stored
      // path may be in the ANSI code page (Wine writes it so), which loses
      // the letters outside it.
      wchar_t path[MAX_PATH] = {};
      PIDLIST_ABSOLUTE items = nullptr;
      if (SUCCEEDED(file->Load(shortcut.c_str(), STGM_READ))) {
        if (link->GetIDList(&items) == S_OK && items && SHGetPathFromIDListW(items, path)) {
          target = path;
        } else if (SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) {
          target = path;
        }
        CoTaskMemFree(items);
      }
      file->Release();
    }
    link->Release();
  }
  return target;
}

bool ReadRegistryValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, DWORD* type,
                       std::vector<BYTE>* data) {
  HKEY key;
  if (RegOpenKeyExW(root, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  LONG result = RegQueryValueExW(key, valueName, nullptr, type, nullptr, &size);
  if (result == ERROR_SUCCESS) {
    data->assign(size, 0);
    result = RegQueryValueExW(key, valueName, nullptr, type, data->data(), &size);
    data->resize(size);
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}
