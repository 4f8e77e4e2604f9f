#include "packer_input.h"

#include "windows_files.h"

namespace {

bool ParseTime(const std::string& text, uint64_t* time) {
  if (text == "none") {
    *time = 0;
    return true;
  }
  if (text.empty() || text.size() > 19) return false;
  *time = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    *time = *time * 10 + uint64_t(c - '0');
  }
  return true;
}

}  // namespace

bool ReadPackerInput(const std::wstring& manifest, const std::wstring& drive, std::vector<PackedFile>* files) {
  files->clear();
  std::vector<BYTE> text;
  if (!ReadFileBytes(manifest, &text)) return false;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = at;
    while (end < text.size() && text[end] != '\n') ++end;
    std::string line(text.begin() + at, text.begin() + end);
    at = end + 1;
    if (line.empty() || line[0] == '#') continue;
    size_t blank = line.rfind(' ');
    PackedFile file;
    if (blank == std::string::npos || !ParseTime(line.substr(blank + 1), &file.lastWrite)) return false;
    // Host paths are UTF-8, which is how Wine names host files too.
    std::string host = line.substr(0, blank);
    std::wstring path(host.size(), L'\0');
    path.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, host.data(), int(host.size()), &path[0], int(path.size()))));
    if (path.empty()) return false;
    for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
    path = drive + path;
    if (!ReadFileBytes(path, &file.bytes)) return false;
    files->push_back(file);
  }
  return true;
}
