// Names compared by the system's own rule, the one the file system applies.
#include <windows.h>

#include "path_text.h"

bool SameName(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength) {
  return CompareStringOrdinal(a, int(aLength), b, int(bLength), TRUE) == CSTR_EQUAL;
}
