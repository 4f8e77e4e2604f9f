#include "wizard_logic.h"

#include <cstring>

#include "number_text.h"

namespace {

const char kRequiredLabel[] = "Space required:  ";
const char kAvailableLabel[] = "Space available: ";
constexpr uint32_t kLabelLength = sizeof kRequiredLabel - 1;  // both 17: the numbers line up
static_assert(sizeof kAvailableLabel == sizeof kRequiredLabel, "the two numbers start at the same column");

}  // namespace

uint32_t FormatNumber(char* destination, const char* format, uint32_t value) {
  uint32_t n = 0;
  while (*format && *format != '%') {
    if (n == kFormatLimit) {
      destination[n] = 0;
      return n;
    }
    destination[n++] = *format++;
  }
  if (!*format || !format[1]) {  // no conversion, or a "%" at the very end
    destination[n] = 0;
    return n;
  }
  uint32_t base = format[1] == 'x' ? 16 : 10;
  format += 2;

  n += WriteNumber(destination + n, value, base);

  while (*format && n < kFormatLimit) destination[n++] = *format++;
  destination[n] = 0;
  return n;
}

uint32_t RequiredBytes(const PayloadEntry* entries, ComponentSelection selection, uint32_t uninstallerEntry) {
  uint32_t sum = 0;
  for (uint32_t k = 0; k < kComponentCount; ++k) {
    if (IsSelected(selection, k)) sum += entries[kComponentTable[k].payloadEntry].size;
  }
  // The uninstaller alone is never counted.
  return sum ? sum + entries[uninstallerEntry].size : 0;
}

void FormatRequiredText(char* text, uint32_t requiredBytes) {
  std::memset(text, 0, kSpaceTextBytes);
  std::memcpy(text, kRequiredLabel, kLabelLength);
  FormatNumber(text + kLabelLength, "%u MB", (requiredBytes + 0xFFFFFu) >> 20);
}

void FormatAvailableText(char* text, uint64_t freeBytes) {
  std::memcpy(text, kAvailableLabel, kLabelLength);
  char* number = text + kLabelLength;
  uint32_t hi = uint32_t(freeBytes >> 32);
  uint32_t lo = uint32_t(freeBytes);
  if (freeBytes == kFreeSpaceUnknown) {
    number[0] = '?';
    number[1] = 0;
  } else if (hi >= 0x40000000u) {
    FormatNumber(number, "%u TB", hi >> 8);
  } else if (hi >= 0x100000u) {
    FormatNumber(number, "%u GB", (lo >> 30) | (hi << 2));
  } else {
    FormatNumber(number, "%u MB", (lo >> 20) | (hi << 12));
  }
}

bool InstallEnabled(uint32_t requiredBytes, uint64_t freeBytes) {
  uint32_t clamped = (freeBytes >> 32) ? 0xFFFFFFFFu : uint32_t(freeBytes);
  return requiredBytes != 0 && requiredBytes < clamped;
}

int DpiMargin(uint32_t dpi) {
  uint32_t margin = uint32_t((uint64_t(5) * dpi) / 96);
  return margin > 20 ? 20 : int(margin);
}

void CentreIn(const Box& work, const Box& window, int32_t* x, int32_t* y) {
  *x = work.left + ((work.right - work.left) - (window.right - window.left)) / 2;
  *y = work.top + ((work.bottom - work.top) - (window.bottom - window.top)) / 2;
}
