// The native tree's stand-in for the system's comparison of names: the C
// library's upper case of the UTF-8 locale, which agrees with the system's
// table on the letters the tests use.
#include <locale.h>
#include <wctype.h>

#include "path_text.h"

bool SameName(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength) {
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
  if (aLength != bLength) return false;
  for (size_t i = 0; i < aLength; ++i) {
    wint_t x = wint_t(a[i]), y = wint_t(b[i]);
    if (unicode ? towupper_l(x, unicode) != towupper_l(y, unicode) : towupper(x) != towupper(y)) return false;
  }
  return true;
}
