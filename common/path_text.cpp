#include "path_text.h"

#include "wide_text.h"

namespace {

size_t LastSeparator(const wchar_t* path, size_t length) {
  while (length > 0 && !IsSeparator(path[length - 1])) --length;
  return length;  // one past the separator, 0 when there is none
}

}  // namespace

bool ComposePath(wchar_t* path, size_t capacity, const wchar_t* a, const wchar_t* b, const wchar_t* c,
                 const wchar_t* d) {
  if (capacity == 0) return false;
  path[0] = 0;
  if (WideAppend(path, capacity, a) && WideAppend(path, capacity, b) && WideAppend(path, capacity, c) &&
      WideAppend(path, capacity, d)) {
    return true;
  }
  path[0] = 0;
  return false;
}

bool EndWithSeparator(wchar_t* path, size_t capacity) {
  size_t n = WideLength(path);
  if (n > 0 && IsSeparator(path[n - 1])) --n;
  if (n + 2 > capacity) return false;
  path[n] = L'\\';
  path[n + 1] = 0;
  return true;
}

bool FolderOfPath(const wchar_t* path, wchar_t* folder, size_t capacity) {
  size_t end = LastSeparator(path, WideLength(path));
  if (end == 0) {
    if (capacity > 0) folder[0] = 0;
    return false;
  }
  return WideCopyCount(folder, capacity, path, end);
}

bool IsFullyQualified(const wchar_t* path) {
  bool drive = ((path[0] | 0x20) >= L'a' && (path[0] | 0x20) <= L'z') && path[1] == L':' && IsSeparator(path[2]);
  return drive || IsSharePath(path);
}

bool IsRootFolder(const wchar_t* folder) {
  const wchar_t* rest;
  if (IsSharePath(folder)) {
    // \\server\share: two names after the leading pair.
    rest = SkipSeparators(folder);
    for (int names = 0; names < 2; ++names) {
      if (!*rest) return true;
      rest = SkipSeparators(rest + NameLength(rest));
    }
    return *rest == 0;
  }
  if (folder[0] && folder[1] == L':') return *SkipSeparators(folder + 2) == 0;
  return *SkipSeparators(folder) == 0;
}

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

bool PlainFinalPath(const wchar_t* finalPath, wchar_t* path, size_t capacity) {
  auto startsWith = [](const wchar_t* text, const wchar_t* prefix) {
    while (*prefix && *text == *prefix) ++text, ++prefix;
    return *prefix == 0;
  };
  if (startsWith(finalPath, L"\\\\?\\UNC\\")) {
    // \\?\UNC\server\share\... is \\server\share\...
    const wchar_t* share = finalPath + 8;
    return !IsSeparator(share[0]) && ComposePath(path, capacity, L"\\\\", share);
  }
  if (!startsWith(finalPath, L"\\\\?\\")) return false;
  const wchar_t* local = finalPath + 4;
  // A drive path; a volume without a letter ("\\?\Volume{...}") is never one we wrote.
  return local[0] && local[1] == L':' && ComposePath(path, capacity, local, L"");
}
