// Whether two paths name the same file, by the file system's rule for
// names. Apart from the rest of the path module, so that a program that
// only composes paths does not carry the comparison.
#include "path_text.h"

#include "wide_text.h"

bool IsInFolder(const wchar_t* path, const wchar_t* folder) {
  size_t length = WideLength(path);
  if (length == 0 || IsSeparator(path[length - 1])) return false;  // no file name
  wchar_t own[kFolderUnits];
  return FolderOfPath(path, own, kFolderUnits) && SamePath(own, folder);
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
