#include "path_text.h"

#include "wide_text.h"

namespace {

const wchar_t* SkipSeparators(const wchar_t* p) {
  while (IsSeparator(*p)) ++p;
  return p;
}

size_t NameLength(const wchar_t* p) {
  size_t n = 0;
  while (p[n] && !IsSeparator(p[n])) ++n;
  return n;
}

size_t LastSeparator(const wchar_t* path, size_t length) {
  while (length > 0 && !IsSeparator(path[length - 1])) --length;
  return length;  // one past the separator, 0 when there is none
}

bool IsSharePath(const wchar_t* path) { return IsSeparator(path[0]) && IsSeparator(path[1]); }

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

bool IsInFolder(const wchar_t* path, const wchar_t* folder) {
  size_t length = WideLength(path);
  size_t end = LastSeparator(path, length);
  if (end == 0 || end == length) return false;  // no folder, or no file name
  wchar_t own[kFolderUnits];
  return WideCopyCount(own, kFolderUnits, path, end) && SamePath(own, folder);
}

bool SamePath(const wchar_t* a, const wchar_t* b) {
  // A UNC share and a rooted path differ in their leading pair.
  if (IsSharePath(a) != IsSharePath(b)) return false;
  for (;;) {
    // A run of separators counts as one, and as none at the end.
    bool separatorA = IsSeparator(*a), separatorB = IsSeparator(*b);
    a = SkipSeparators(a);
    b = SkipSeparators(b);
    if (!*a && !*b) return true;
    if (separatorA != separatorB || !*a || !*b) return false;
    size_t lengthA = NameLength(a), lengthB = NameLength(b);
    if (!SameName(a, lengthA, b, lengthB)) return false;
    a += lengthA;
    b += lengthB;
  }
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
