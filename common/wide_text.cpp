#include "wide_text.h"

size_t WideLength(const wchar_t* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}

bool WideCopy(wchar_t* destination, size_t capacity, const wchar_t* source) {
  size_t n = WideLength(source);
  if (n >= capacity) return false;
  for (size_t i = 0; i <= n; ++i) destination[i] = source[i];
  return true;
}

bool WideCopyCount(wchar_t* destination, size_t capacity, const wchar_t* source, size_t count) {
  if (capacity == 0) return false;
  if (count >= capacity) {
    destination[0] = 0;
    return false;
  }
  for (size_t i = 0; i < count; ++i) destination[i] = source[i];
  destination[count] = 0;
  return true;
}

bool WideAppend(wchar_t* destination, size_t capacity, const wchar_t* source) {
  size_t at = WideLength(destination);
  if (at >= capacity) return false;
  return WideCopy(destination + at, capacity - at, source);
}
