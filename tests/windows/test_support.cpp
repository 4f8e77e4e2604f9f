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
