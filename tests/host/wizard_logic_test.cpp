#include "wizard_logic.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Format(const char* format, uint32_t value, uint32_t* count = nullptr) {
  char out[kFormatDestination + 8];
  std::memset(out, '#', sizeof out);
  uint32_t n = FormatNumber(out, format, value);
  if (count) *count = n;
  EXPECT_EQ(std::strlen(out), n) << format;
  EXPECT_LE(n + 1, kFormatDestination) << format;
  return out;
}

TEST(FormatNumber, ConvertsOnceInDecimalOrLowerCaseHex) {
  uint32_t n;
  EXPECT_EQ(Format("%u MB", 512000, &n), "512000 MB");
  EXPECT_EQ(n, 9u);
  EXPECT_EQ(Format("%x", 255), "ff");
  EXPECT_EQ(Format("%X", 255), "255");
  EXPECT_EQ(Format("%%", 5), "5");
  EXPECT_EQ(Format("%u GB", 0), "0 GB");
  EXPECT_EQ(Format("abc", 7, &n), "abc");
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(Format("%u", 4294967295u), "4294967295");
  EXPECT_EQ(Format("%x", 0xDEADBEEFu), "deadbeef");
  EXPECT_EQ(Format("abc%", 1), "abc");
  EXPECT_EQ(Format("%u and %u", 1), "1 and %u");  // only the first conversion
}

TEST(FormatNumber, CopiesAtMost63LiteralsButNeverCutsDigits) {
  std::string literal(70, 'a');
  uint32_t n;
  EXPECT_EQ(Format(literal.c_str(), 1, &n), std::string(63, 'a'));
  EXPECT_EQ(n, 63u);
  // 63 literals, then the conversion: all ten digits, and no more literals.
  std::string full = std::string(63, 'b') + "%u tail";
  EXPECT_EQ(Format(full.c_str(), 4294967295u, &n), std::string(63, 'b') + "4294967295");
  EXPECT_EQ(n, 73u);
  // The rest of the format fills up to 63.
  std::string some = std::string(60, 'c') + "%u MB";
  EXPECT_EQ(Format(some.c_str(), 1), std::string(60, 'c') + "1 M");
}

std::string Available(uint64_t freeBytes) {
  char text[512];
  std::memset(text, 0, sizeof text);
  FormatRequiredText(text, 2453504);  // what the area held before
  FormatAvailableText(text, freeBytes);
  return text;
}

TEST(SpaceTexts, ShowTheFreeAmountInTheFinestUnitThatFits32Bits) {
  EXPECT_EQ(Available(3670016), "Space available: 3 MB");  // 3.5 MiB, rounded down
  EXPECT_EQ(Available(536870912000ull), "Space available: 512000 MB");
  EXPECT_EQ(Available(1ull << 40), "Space available: 1048576 MB");
  EXPECT_EQ(Available((1ull << 52) - 1), "Space available: 4294967295 MB");
  EXPECT_EQ(Available(1ull << 52), "Space available: 4194304 GB");
  EXPECT_EQ(Available((1ull << 62) - 1), "Space available: 4294967295 GB");
  EXPECT_EQ(Available(1ull << 62), "Space available: 4194304 TB");
  EXPECT_EQ(Available(kFreeSpaceUnknown - 1), "Space available: 16777215 TB");
  EXPECT_EQ(Available(kFreeSpaceUnknown), "Space available: ?");
  EXPECT_EQ(Available(0), "Space available: 0 MB");
}

TEST(SpaceTexts, RoundTheRequiredAmountUpToWholeMebibytes) {
  struct Case {
    uint32_t bytes;
    const char* text;
  } cases[] = {
      {0, "Space required:  0 MB"},       {1, "Space required:  1 MB"},      {1048576, "Space required:  1 MB"},
      {1048577, "Space required:  2 MB"}, {293888, "Space required:  1 MB"}, {2453504, "Space required:  3 MB"},
  };
  for (const Case& c : cases) {
    char text[64];
    std::memset(text, 'x', sizeof text);
    FormatRequiredText(text, c.bytes);
    EXPECT_STREQ(text, c.text);
    for (size_t i = std::strlen(text); i < sizeof text; ++i) ASSERT_EQ(text[i], 0);
  }
}

TEST(InstallEnabled, NeedsASelectionBelowTheClampedFreeAmount) {
  const uint32_t all = 2453504;
  EXPECT_TRUE(InstallEnabled(all, 5ull << 30));  // 5 GiB clamps to 0xFFFFFFFF
  EXPECT_FALSE(InstallEnabled(all, all));        // equal does not fit
  EXPECT_TRUE(InstallEnabled(all, all + 1));
  EXPECT_FALSE(InstallEnabled(all, 3670016 / 2));
  EXPECT_FALSE(InstallEnabled(0, 5ull << 30));  // nothing selected
  EXPECT_TRUE(InstallEnabled(all, kFreeSpaceUnknown));
  EXPECT_FALSE(InstallEnabled(0xFFFFFFFFu, 1ull << 40));  // clamped: equal
}

TEST(RequiredBytes, AddsTheUninstallerOnlyToASelection) {
  PayloadEntry entries[kPayloadEntryCount] = {};
  for (const Component& c : kComponentTable) entries[c.payloadEntry].size = c.bytes;
  for (const Uninstaller& u : kUninstallers) entries[u.payloadEntry].size = u.bytes;
  EXPECT_EQ(RequiredBytes(entries, 0xFF, 9), 2453504u);
  EXPECT_EQ(RequiredBytes(entries, 0, 9), 0u);
  EXPECT_EQ(RequiredBytes(entries, 1, 9), 293888u);
  // The single-user edition counts its own uninstaller, entry 10.
  EXPECT_EQ(RequiredBytes(entries, 1, 10), 184320u + 109056u);
}

TEST(DpiMargin, ScalesFiveAt96AndStopsAt20) {
  struct Case {
    uint32_t dpi;
    int margin;
  } cases[] = {{96, 5}, {120, 6}, {144, 7}, {192, 10}, {288, 15}, {383, 19}, {384, 20}, {1000, 20}, {65535, 20}};
  for (const Case& c : cases) EXPECT_EQ(DpiMargin(c.dpi), c.margin) << c.dpi;
}

TEST(CentreIn, TruncatesHalvesTowardZero) {
  int32_t x, y;
  CentreIn({0, 0, 1920, 1040}, {0, 0, 566, 371}, &x, &y);
  EXPECT_EQ(x, 677);
  EXPECT_EQ(y, 334);
  CentreIn({0, 0, 800, 600}, {50, 50, 1051, 651}, &x, &y);
  EXPECT_EQ(x, -100);  // -201 / 2, not -101
  EXPECT_EQ(y, -0);
  CentreIn({100, 40, 900, 640}, {0, 0, 400, 300}, &x, &y);  // a work area that does not start at 0
  EXPECT_EQ(x, 300);
  EXPECT_EQ(y, 190);
}

}  // namespace
