// The digits of a number, for the texts both programs compose: single-byte
// for the fixed texts of the wizard, UTF-16 for the uninstaller's message
// and command line. Platform neutral.
#pragma once

#include <cstdint>

// Room for the digits of any 64-bit number and the terminator.
constexpr uint32_t kNumberUnits = 21;

// Writes `value` in `base` (10, or 16 in lower case) into `digits`
// (kNumberUnits), most significant first and terminated, and returns the
// number of digits.
template <typename Unit>
uint32_t WriteNumber(Unit* digits, uint64_t value, uint32_t base = 10) {
  Unit reversed[kNumberUnits];
  uint32_t count = 0;
  do {
    reversed[count++] = Unit("0123456789abcdef"[value % base]);
    value /= base;
  } while (value);
  for (uint32_t i = 0; i < count; ++i) digits[i] = reversed[count - 1 - i];
  digits[count] = 0;
  return count;
}
