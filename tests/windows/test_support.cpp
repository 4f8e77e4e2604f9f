#include "test_support.h"

#include <algorithm>

namespace {

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path + L"\\");
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

void ListInto(const std::wstring& root, const std::wstring& relative, std::vector<std::wstring>* out) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((root + relative + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out->push_back(relative + name + L"\\");
      ListInto(root, relative + name + L"\\", out);
    } else {
      out->push_back(relative + name);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

}  // namespace

ScratchFolder::ScratchFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static unsigned counter = 0;
  root_ = std::wstring(temp) + L"velunora-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++counter) + L"\\";
  RemoveTree(root_);
  CreateDirectoryW(root_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(root_); }

std::vector<std::wstring> ScratchFolder::List() const {
  std::vector<std::wstring> out;
  ListInto(root_, L"", &out);
  std::sort(out.begin(), out.end());
  return out;
}

bool ReadHklmValue(const wchar_t* keyPath, const wchar_t* valueName, DWORD* type, std::vector<BYTE>* data) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
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
  bool ok = size.QuadPart == 0 || (ReadFile(file, data->data(), DWORD(size.QuadPart), &got, nullptr) && got == size.QuadPart);
  CloseHandle(file);
  return ok;
}
