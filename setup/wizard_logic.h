// The arithmetic and texts of the wizard that involve no window: the number
// formatter, the space texts and the "&Install" decision, the license
// margins and the centring. Platform neutral.
#pragma once

#include <cstdint>

#include "install_steps.h"
#include "payload.h"

constexpr uint32_t kFormatLimit = 63;        // literal characters FormatNumber copies at most
constexpr uint32_t kFormatDestination = 74;  // room FormatNumber needs: 63 + 10 digits + terminator
constexpr uint32_t kSpaceTextBytes = 64;
constexpr uint64_t kFreeSpaceUnknown = ~uint64_t(0);  // both 32-bit halves all ones

// Writes `format` with its first conversion replaced by `value`: "%x" in
// lower-case hex, any other letter in decimal; no sign, padding or grouping.
// At most 63 literal characters are copied; the digits are never cut.
// Returns the characters written, without the terminator.
uint32_t FormatNumber(char* destination, const char* format, uint32_t value);

// Bytes the selection needs: the selected programs, plus the uninstaller of
// payload entry `uninstallerEntry` when anything is selected. Unsigned
// 32-bit, as the installer counts it.
uint32_t RequiredBytes(const PayloadEntry* entries, ComponentSelection selection, uint32_t uninstallerEntry);

// "Space required:  N MB", N rounded up to whole MiB; fills `text` from its
// start (it needs kSpaceTextBytes and zeroes them first).
void FormatRequiredText(char* text, uint32_t requiredBytes);

// "Space available: " and the free amount, rounded down, in the finest of
// MB, GB, TB whose count fits 32 bits, or "?" when it is unknown.
void FormatAvailableText(char* text, uint64_t freeBytes);

// "&Install" is enabled when something is selected and it fits: required
// below the free amount, which counts as 0xFFFFFFFF when it is larger than
// that or unknown.
bool InstallEnabled(uint32_t requiredBytes, uint64_t freeBytes);

// The license text's margin after a DPI change: 5 pixels at 96 DPI, scaled,
// at most 20.
int DpiMargin(uint32_t dpi);

struct Box {
  int32_t left, top, right, bottom;
};

// Top-left corner that centres `window` in `work`, halves truncated toward
// zero.
void CentreIn(const Box& work, const Box& window, int32_t* x, int32_t* y);
