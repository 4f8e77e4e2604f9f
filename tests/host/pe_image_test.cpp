#include "pe_image.h"

#include <gtest/gtest.h>

#include "pe_hardening.h"
#include "pe_image_builder.h"

#include <cstring>
#include <vector>

namespace {

TEST(PeImage, ReadsHeadersImportsAndResources) {
  ImageBuilder b;
  pe::Image image;
  std::string error;
  ASSERT_TRUE(pe::Parse(b.bytes().data(), b.bytes().size(), &image, &error)) << error;
  EXPECT_EQ(image.machine, 0x8664);
  EXPECT_EQ(image.subsystem, 2);
  ASSERT_EQ(image.imports.size(), 2u);
  EXPECT_EQ(image.imports[0], "KERNEL32.dll");
  EXPECT_EQ(image.imports[1], "evil.dll");
  EXPECT_TRUE(image.importedFunctions.empty());
  const pe::Resource* r = pe::FindResource(image, 10, 102);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->language, 1033u);
  EXPECT_EQ(r->size, 4u);
  EXPECT_EQ(std::memcmp(&b.bytes()[r->fileOffset], "data", 4), 0);
  EXPECT_EQ(pe::FindResource(image, 10, 103), nullptr);
}

TEST(PeImage, RejectsDamagedImagesWithoutReadingPastThem) {
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
    size_t truncateTo;
  } cases[] = {
      {"PE offset past the end", 60, 0x7FFFFFF0, 0},
      {"32-bit image", 88, 0x10B, 0},
      {"import table outside every section", 88 + 112 + 8, 0x9000, 0},
      {"unterminated import list", 0x200 + 40, 0x1080, 0},
      {"resource data beyond the file", 0x348, 0x13F0, 0},
      {"truncated inside the section", 0, 0, 0x2F0},
  };
  for (const Case& c : cases) {
    ImageBuilder b;
    if (c.truncateTo) {
      b.bytes().resize(c.truncateTo);
    } else if (c.at == 88) {
      b.Put16(c.at, uint16_t(c.value));
    } else {
      b.Put32(c.at, c.value);
    }
    if (c.at == 0x200 + 40) {
      // Fill the rest of the section with descriptors that never end.
      for (size_t at = 0x200; at + 20 <= 0x400; at += 20) b.Put32(at + 12, 0x1080);
    }
    pe::Image image;
    std::string error;
    EXPECT_FALSE(pe::Parse(b.bytes().data(), b.bytes().size(), &image, &error)) << c.what;
  }
}

// The builder's image with every hardening property in place: the header
// flags, a relocation directory, and a read-only data section.
ImageBuilder HardenedImage() {
  ImageBuilder b;
  b.Put16(88 + 70, 0x8160);           // dynamic base, high entropy, NX, terminal-server aware
  b.Put32(88 + 112 + 5 * 8, 0x1200);  // base relocations
  b.Put32(88 + 116 + 5 * 8, 12);
  b.Put32(88 + 240 + 36, 0x40000040);  // initialised, readable data
  return b;
}

std::vector<std::string> FailedChecks(ImageBuilder& b) {
  pe::Image image;
  std::string error;
  EXPECT_TRUE(pe::Parse(b.bytes().data(), b.bytes().size(), &image, &error)) << error;
  std::vector<std::string> failed;
  for (const pe::HardeningCheck& c : pe::CheckHardening(image, b.bytes())) {
    if (!c.ok) failed.push_back(c.what);
  }
  return failed;
}

TEST(PeHardening, EachMissingPropertyIsNamed) {
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
    bool wide;
  } cases[] = {
      {"dynamic base", 88 + 70, 0x8120, false},
      {"high-entropy VA", 88 + 70, 0x8140, false},
      {"NX compatible", 88 + 70, 0x8060, false},
      {"terminal-server aware", 88 + 70, 0x0160, false},
      {"base relocations kept", 86, 0x0001, false},          // relocations stripped
      {"base relocations kept", 88 + 116 + 5 * 8, 0, true},  // no relocation directory
      {"section .data not both writable and executable", 88 + 240 + 36, 0xE0000020, true},
  };
  ImageBuilder clean = HardenedImage();
  EXPECT_TRUE(FailedChecks(clean).empty());
  for (const Case& c : cases) {
    ImageBuilder b = HardenedImage();
    if (c.wide) {
      b.Put32(c.at, c.value);
    } else {
      b.Put16(c.at, uint16_t(c.value));
    }
    EXPECT_EQ(FailedChecks(b), std::vector<std::string>{c.what}) << c.what;
  }
}

TEST(PeHardening, AProgramThatLoadsDllsItselfIsNamed) {
  ImageBuilder b = HardenedImage();
  b.Put32(0x200, 0x10A0);  // KERNEL32.dll's lookup table: one function by name
  b.Put32(0x2A0, 0x10B0);
  std::memcpy(&b.bytes()[0x2B2], "LoadLibraryW", 12);
  EXPECT_EQ(FailedChecks(b), std::vector<std::string>{"loads no DLL itself (no LoadLibrary import)"});

  std::memcpy(&b.bytes()[0x2B2], "LoadIcon", 9);
  EXPECT_TRUE(FailedChecks(b).empty());
}

// The common controls imported by name would be searched for in the
// program's folder; only the manifest's dependency takes them from the
// side-by-side store.
TEST(PeHardening, CommonControlsOnlyThroughTheManifest) {
  static const char kDependency[] = "<assemblyIdentity name=\"Microsoft.Windows.Common-Controls\"/>";
  ImageBuilder b = HardenedImage();
  std::memcpy(&b.bytes()[0x290], "COMCTL32.dll", 12);
  EXPECT_EQ(FailedChecks(b), std::vector<std::string>{"comctl32 through the manifest's dependency"});

  b.Put32(0x310, 24);  // the resource becomes the manifest
  std::memcpy(&b.bytes()[0x380], kDependency, sizeof kDependency - 1);
  b.Put32(0x34C, sizeof kDependency - 1);
  EXPECT_TRUE(FailedChecks(b).empty());
}

// A program names its execution level, shows an icon and a version, and
// keeps the DLL search to System32. The builder's image has one resource
// slot: each type put there satisfies exactly its own check.
TEST(PeHardening, AProgramSaysHowItIsStartedAndShown) {
  static const char kLevel[] = "<requestedExecutionLevel level=\"asInvoker\"/>";
  const std::string manifest = "manifest states the execution level", icon = "has an icon",
                    version = "has a version record",
                    search = "limits the DLL search (SetDefaultDllDirectories import)";
  auto missing = [](ImageBuilder& b) {
    pe::Image image;
    std::string error;
    EXPECT_TRUE(pe::Parse(b.bytes().data(), b.bytes().size(), &image, &error)) << error;
    std::vector<std::string> failed;
    for (const pe::HardeningCheck& c : pe::CheckStartedAsIntended(image, b.bytes())) {
      if (!c.ok) failed.push_back(c.what);
    }
    return failed;
  };
  using Names = std::vector<std::string>;
  ImageBuilder b = HardenedImage();
  EXPECT_EQ(missing(b), (Names{manifest, icon, version, search}));  // RT_RCDATA only
  b.Put32(0x310, 14);                                               // RT_GROUP_ICON
  EXPECT_EQ(missing(b), (Names{manifest, version, search}));
  b.Put32(0x310, 16);  // RT_VERSION
  EXPECT_EQ(missing(b), (Names{manifest, icon, search}));
  b.Put32(0x310, 24);  // RT_MANIFEST, but without a level
  EXPECT_EQ(missing(b), (Names{manifest, icon, version, search}));
  std::memcpy(&b.bytes()[0x380], kLevel, sizeof kLevel - 1);
  b.Put32(0x34C, sizeof kLevel - 1);
  EXPECT_EQ(missing(b), (Names{icon, version, search}));

  b.Put32(0x200, 0x10A0);  // KERNEL32.dll's lookup table: one function by name
  b.Put32(0x2A0, 0x10B0);
  std::memcpy(&b.bytes()[0x2B2], "SetDefaultDllDirectories", 24);
  EXPECT_EQ(missing(b), (Names{icon, version}));
}

// Every type entry may point at one shared name directory whose entries all
// point at one shared language directory: a few kilobytes could ask for
// billions of visits. The cap counts every entry visited, at every level.
TEST(PeImage, RefusesResourceTreesThatShareDirectoriesToMultiplyTheWork) {
  for (uint32_t fanOut : {60u, 65u}) {
    ImageBuilder b;
    b.bytes().resize(0x1200, 0);
    b.Put32(88 + 240 + 8, 0x1000);  // the section grows to 4 KiB
    b.Put32(88 + 240 + 16, 0x1000);
    b.Put32(88 + 116 + 16, 0x460);  // resource directory size
    const size_t root = 0x300, names = 0x520, languages = 0x740;
    b.Put16(root + 14, uint16_t(fanOut));
    b.Put16(names + 14, uint16_t(fanOut));
    for (uint32_t i = 0; i < fanOut; ++i) {
      b.Put32(root + 16 + 8 * i, i + 1);
      b.Put32(root + 20 + 8 * i, 0x80000000u | uint32_t(names - root));
      b.Put32(names + 16 + 8 * i, i + 1);
      b.Put32(names + 20 + 8 * i, 0x80000000u | uint32_t(languages - root));
    }
    pe::Image image;
    std::string error;
    bool parsed = pe::Parse(b.bytes().data(), b.bytes().size(), &image, &error);
    if (fanOut == 60) {
      EXPECT_TRUE(parsed) << error;  // 60 + 60 × 60 entries
    } else {
      EXPECT_FALSE(parsed);  // 65 + 65 × 65 entries
      EXPECT_EQ(error, "too many resources");
    }
  }
}

}  // namespace
