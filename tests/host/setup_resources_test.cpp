// Reads the resources back from a built setup.exe and holds them against the
// tables the wizard's code and the system rely on: template formats, styles,
// geometry, identifiers and classes, the icon, the manifest and the version
// record. Runs on the build machine; the windows tree passes the file.
// The single-user edition's file differs in two places only: its manifest
// runs it at the caller's level, and its version record names the edition.
//
//   setup_resources_test SETUP_EXE [--single-user] [gtest options]
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "pe_image.h"

namespace {

std::string g_setupPath;
bool g_singleUser = false;

// Little-endian fields of one resource, read with bounds checks: a short or
// malformed resource sets `bad` and reads zeros instead of running past it.
struct Reader {
  const std::vector<uint8_t>& bytes;
  size_t at = 0;
  bool bad = false;

  bool Has(size_t n) const { return at <= bytes.size() && n <= bytes.size() - at; }
  uint32_t Read(size_t n) {
    if (!Has(n)) {
      bad = true;
      at = bytes.size();
      return 0;
    }
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= uint32_t(bytes[at + i]) << (8 * i);
    at += n;
    return v;
  }
  uint8_t U8() { return uint8_t(Read(1)); }
  uint16_t U16() { return uint16_t(Read(2)); }
  uint32_t U32() { return Read(4); }
  void AlignTo4() { at = (at + 3) & ~size_t(3); }
  // A zero-terminated UTF-16 string, narrowed (the resources hold ASCII).
  std::string Text() {
    std::string s;
    for (uint16_t c = U16(); c != 0 && !bad; c = U16()) s.push_back(c < 0x80 ? char(c) : '?');
    return s;
  }
  // A name or ordinal field of a template: ordinals come back as "#n".
  std::string NameOrOrdinal() {
    if (Has(2) && bytes[at] == 0xFF && bytes[at + 1] == 0xFF) {
      U16();
      return "#" + std::to_string(U16());
    }
    return Text();
  }
};

struct Control {
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  uint32_t id = 0;
  std::string cls;
  std::string caption;
  uint16_t extra = 0;
};

struct Dialog {
  bool extended = false;
  uint16_t version = 0;
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::string menu, cls, title;
  uint16_t pointSize = 0;
  uint16_t weight = 0;
  uint8_t italic = 0;
  uint8_t charset = 0;
  std::string face;
  std::vector<Control> controls;
};

// Parses a dialog template in either format; false when it is malformed or
// carries bytes after its last control.
bool ParseDialog(const std::vector<uint8_t>& bytes, Dialog* d) {
  Reader r{bytes};
  d->extended = bytes.size() >= 4 && bytes[2] == 0xFF && bytes[3] == 0xFF;
  uint16_t count;
  if (d->extended) {
    d->version = r.U16();
    r.U16();
    d->helpId = r.U32();
    d->exStyle = r.U32();
    d->style = r.U32();
  } else {
    d->style = r.U32();
    d->exStyle = r.U32();
  }
  count = r.U16();
  d->x = int16_t(r.U16());
  d->y = int16_t(r.U16());
  d->cx = int16_t(r.U16());
  d->cy = int16_t(r.U16());
  d->menu = r.NameOrOrdinal();
  d->cls = r.NameOrOrdinal();
  d->title = r.Text();
  if (d->style & 0x40) {  // DS_SETFONT
    d->pointSize = r.U16();
    if (d->extended) {
      d->weight = r.U16();
      d->italic = r.U8();
      d->charset = r.U8();
    }
    d->face = r.Text();
  }
  for (uint16_t i = 0; i < count && !r.bad; ++i) {
    r.AlignTo4();
    Control c;
    if (d->extended) {
      c.helpId = r.U32();
      c.exStyle = r.U32();
      c.style = r.U32();
    } else {
      c.style = r.U32();
      c.exStyle = r.U32();
    }
    c.x = int16_t(r.U16());
    c.y = int16_t(r.U16());
    c.cx = int16_t(r.U16());
    c.cy = int16_t(r.U16());
    c.id = d->extended ? r.U32() : r.U16();
    c.cls = r.NameOrOrdinal();
    c.caption = r.NameOrOrdinal();
    c.extra = r.U16();
    r.at += c.extra;
    d->controls.push_back(c);
  }
  return !r.bad && r.at == bytes.size();
}

// The system's control classes as a template stores them, by ordinal.
const char* const kButton = "#128";
const char* const kEdit = "#129";
const char* const kStatic = "#130";
const char* const kListBox = "#131";
const char* const kIconCaption = "#101";

struct ExpectedControl {
  int id;
  const char* cls;
  uint32_t style;
  int x, y, cx, cy;
  uint32_t exStyle = 0;
  const char* caption = "";
};

struct ExpectedDialog {
  uint32_t name;
  bool extended;
  uint8_t charset;
  uint32_t style;
  size_t size;
  std::vector<ExpectedControl> controls;
};

const ExpectedControl kIcon = {-1, kStatic, 0x50000003, 7, 7, 20, 20, 0, kIconCaption};
const ExpectedControl kForward = {1, kButton, 0x50010001, 223, 141, 50, 14};
const ExpectedControl kCancel = {2, kButton, 0x50010000, 7, 141, 50, 14};
const ExpectedControl kBack = {3, kButton, 0x50010000, 170, 141, 50, 14};

ExpectedControl CheckBox(int id, int x, int y, uint32_t style = 0x50010003) {
  return {id, kButton, style, x, y, 60, 10};
}

const std::vector<ExpectedDialog>& ExpectedDialogs() {
  // clang-format off
  // name, extended format, character set, style, size in bytes, controls in
  // template order: id, class, style, x, y, cx, cy[, extended style, caption]
  static const std::vector<ExpectedDialog> dialogs = {
      {103, false, 0, 0x00CA0040, 68, {}},
      {104, false, 0, 0x40000040, 206,
       {kIcon, kForward, kCancel,
        {1004, kEdit, 0x50800804, 7, 33, 266, 101},
        {1000, kStatic, 0x50020000, 37, 8, 236, 18}}},
      {105, true, 0, 0x40000040, 532,
       {kIcon, kForward,
        CheckBox(1006, 26, 45), CheckBox(1007, 111, 45), CheckBox(1008, 198, 45),
        CheckBox(1009, 26, 62), CheckBox(1010, 111, 62), CheckBox(1011, 198, 62),
        CheckBox(1012, 26, 79), CheckBox(1013, 111, 79), CheckBox(1014, 198, 79, 0x48010003),
        kCancel, kBack,
        {1001, kStatic, 0x50020000, 37, 8, 236, 18}}},
      {106, false, 0, 0x40000040, 346,
       {kIcon, kForward,
        {4, kButton, 0x50010000, 217, 54, 50, 14},
        kCancel, kBack,
        {1015, kButton, 0x50000007, 7, 44, 266, 31},
        {1005, kEdit, 0x50000880, 13, 57, 199, 12},
        {1002, kStatic, 0x50020000, 37, 8, 236, 25},
        {1017, kStatic, 0x50020000, 13, 88, 121, 9},
        {1016, kStatic, 0x50020000, 13, 100, 121, 9}}},
      {107, true, 1, 0x40000040, 326,
       {kIcon, kForward,
        {5, kButton, 0x50010000, 7, 32, 50, 14},
        {1018, kListBox, 0x40210101, 7, 32, 266, 103, 0x00020000},
        {1003, kStatic, 0x50020000, 37, 8, 236, 9},
        {1019, "msctls_progress32", 0x50800000, 37, 18, 236, 6, 0, "Progress1"}}},
  };
  // clang-format on
  return dialogs;
}

class SetupResources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(pe::ReadFile(g_setupPath, &file_)) << "cannot read " << g_setupPath;
    std::string error;
    ASSERT_TRUE(pe::Parse(file_.data(), file_.size(), &image_, &error)) << error;
  }

  // The one resource of this type and name; fails the test when it is
  // missing or present in more than one language.
  static std::vector<uint8_t> Bytes(const pe::ResourceName& type, uint32_t name) {
    std::vector<uint8_t> bytes;
    int found = 0;
    for (const pe::Resource& r : image_.resources) {
      bool typeMatches = type.isOrdinal ? r.type.isOrdinal && r.type.ordinal == type.ordinal
                                        : !r.type.isOrdinal && r.type.text == type.text;
      if (typeMatches && r.name.isOrdinal && r.name.ordinal == name) {
        ++found;
        bytes.assign(file_.begin() + r.fileOffset, file_.begin() + r.fileOffset + r.size);
      }
    }
    EXPECT_EQ(found, 1) << "resource " << (type.isOrdinal ? std::to_string(type.ordinal) : type.text) << "/" << name;
    return bytes;
  }
  static std::vector<uint8_t> Bytes(uint32_t type, uint32_t name) { return Bytes({true, type, ""}, name); }

  static std::vector<uint8_t> file_;
  static pe::Image image_;
};

std::vector<uint8_t> SetupResources::file_;
pe::Image SetupResources::image_;

// Styles read best in hexadecimal when a comparison fails.
std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  Reader r{b, at};
  return r.U32();
}

TEST_F(SetupResources, DialogTemplatesMatchTheirTables) {
  for (const ExpectedDialog& want : ExpectedDialogs()) {
    SCOPED_TRACE("dialog " + std::to_string(want.name));
    std::vector<uint8_t> bytes = Bytes(5, want.name);
    EXPECT_EQ(bytes.size(), want.size);
    Dialog d;
    ASSERT_TRUE(ParseDialog(bytes, &d));
    EXPECT_EQ(d.extended, want.extended);
    if (d.extended) {
      EXPECT_EQ(d.version, 1);
      EXPECT_EQ(d.helpId, 0u);
      EXPECT_EQ(d.weight, 0);
      EXPECT_EQ(d.italic, 0);
      EXPECT_EQ(d.charset, want.charset);
    }
    EXPECT_EQ(Hex(d.style), Hex(want.style));
    EXPECT_EQ(Hex(d.exStyle), Hex(0));
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 0);
    EXPECT_EQ(d.cx, 280);
    EXPECT_EQ(d.cy, 162);
    EXPECT_EQ(d.menu, "");
    EXPECT_EQ(d.cls, "");
    EXPECT_EQ(d.title, "");
    EXPECT_EQ(d.pointSize, 8);
    EXPECT_EQ(d.face, "Microsoft Sans Serif");
    ASSERT_EQ(d.controls.size(), want.controls.size());
    for (size_t i = 0; i < want.controls.size(); ++i) {
      const Control& c = d.controls[i];
      const ExpectedControl& w = want.controls[i];
      SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(w.id));
      EXPECT_EQ(c.id, d.extended ? uint32_t(w.id) : uint32_t(uint16_t(w.id)));
      EXPECT_EQ(c.cls, w.cls);
      EXPECT_EQ(c.caption, w.caption);
      EXPECT_EQ(Hex(c.style), Hex(w.style));
      EXPECT_EQ(Hex(c.exStyle), Hex(w.exStyle));
      EXPECT_EQ(c.x, w.x);
      EXPECT_EQ(c.y, w.y);
      EXPECT_EQ(c.cx, w.cx);
      EXPECT_EQ(c.cy, w.cy);
      EXPECT_EQ(c.helpId, 0u);
      EXPECT_EQ(c.extra, 0);
    }
  }
}

TEST_F(SetupResources, IconIsOneSixteenPixelTwoColourImageMaskedByItself) {
  std::vector<uint8_t> group = Bytes(14, 101);
  const uint8_t groupWant[] = {0,  0,  1, 0, 1, 0,                      // reserved, type icon, one entry
                               16, 16, 2, 0, 1, 0, 1, 0, 176, 0, 0, 0,  // 16 x 16, 2 colours, 1 plane, 1 bpp
                               1,  0};                                  // image 1
  EXPECT_EQ(group, std::vector<uint8_t>(groupWant, groupWant + sizeof groupWant));

  std::vector<uint8_t> image = Bytes(3, 1);
  ASSERT_EQ(image.size(), 176u);
  Reader r{image};
  EXPECT_EQ(r.U32(), 40u);
  EXPECT_EQ(r.U32(), 16u);
  EXPECT_EQ(r.U32(), 32u);  // colour bitmap and mask together
  EXPECT_EQ(r.U16(), 1);
  EXPECT_EQ(r.U16(), 1);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(r.U32(), 0u) << "header field " << i;
  EXPECT_EQ(image[43], 0) << "palette entry 0, reserved byte";
  EXPECT_EQ(U32At(image, 44), 0u) << "palette entry 1 is black";
  std::vector<uint8_t> colour(image.begin() + 48, image.begin() + 112);
  std::vector<uint8_t> mask(image.begin() + 112, image.end());
  EXPECT_EQ(colour, mask);
  int drawn = 0;
  for (size_t row = 0; row < 16; ++row) {
    for (int bit = 0; bit < 16; ++bit) drawn += !(colour[4 * row + bit / 8] & (0x80 >> (bit % 8)));
  }
  EXPECT_GT(drawn, 0) << "the icon draws nothing";
  EXPECT_LT(drawn, 256) << "the icon is a filled square";
}

// The value of `attribute` in a start tag, or "(none)".
std::string Attribute(const std::string& tag, const std::string& attribute) {
  std::string key = " " + attribute + "=\"";
  size_t at = tag.find(key);
  if (at == std::string::npos) return "(none)";
  at += key.size();
  return tag.substr(at, tag.find('"', at) - at);
}

// Every start tag of `element`, in document order.
std::vector<std::string> StartTags(const std::string& xml, const std::string& element) {
  std::vector<std::string> tags;
  for (size_t at = 0; (at = xml.find("<" + element, at)) != std::string::npos; ++at) {
    char next = at + element.size() + 1 < xml.size() ? xml[at + element.size() + 1] : '\0';
    if (next == ' ' || next == '>' || next == '/') tags.push_back(xml.substr(at, xml.find('>', at) - at + 1));
  }
  return tags;
}

std::string Content(const std::string& xml, const std::string& element) {
  std::vector<std::string> tags = StartTags(xml, element);
  if (tags.size() != 1) return "(" + std::to_string(tags.size()) + " elements)";
  size_t from = xml.find(tags[0]) + tags[0].size();
  return xml.substr(from, xml.find("</" + element + ">", from) - from);
}

TEST_F(SetupResources, ManifestRequestsElevationCommonControlsAndPerMonitorDpi) {
  std::vector<uint8_t> bytes = Bytes(24, 1);
  EXPECT_EQ(bytes.size(), g_singleUser ? 1311u : 1322u);  // "asInvoker" is 11 letters shorter
  std::string xml(bytes.begin(), bytes.end());
  EXPECT_EQ(xml.find_first_of("\r\n"), std::string::npos) << "one line";
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><assembly ", 0), 0u);

  std::vector<std::string> assembly = StartTags(xml, "assembly");
  ASSERT_EQ(assembly.size(), 1u);
  EXPECT_EQ(Attribute(assembly[0], "xmlns"), "urn:schemas-microsoft-com:asm.v1");
  EXPECT_EQ(Attribute(assembly[0], "manifestVersion"), "1.0");

  std::vector<std::string> ids = StartTags(xml, "assemblyIdentity");
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_EQ(Attribute(ids[0], "type"), "win32");
  EXPECT_EQ(Attribute(ids[0], "name"), "Velunora.Setup");
  EXPECT_EQ(Attribute(ids[0], "version"), "1.0.0.0");
  EXPECT_EQ(Attribute(ids[0], "processorArchitecture"), "*");
  EXPECT_EQ(Content(xml, "description"), "Velunora App Pack");

  // The second identity must sit inside the dependency to be one.
  EXPECT_NE(xml.find("<dependency><dependentAssembly>" + ids[1] + "</dependentAssembly></dependency>"),
            std::string::npos);
  EXPECT_EQ(Attribute(ids[1], "type"), "win32");
  EXPECT_EQ(Attribute(ids[1], "name"), "Microsoft.Windows.Common-Controls");
  EXPECT_EQ(Attribute(ids[1], "version"), "6.0.0.0");
  EXPECT_EQ(Attribute(ids[1], "processorArchitecture"), "*");
  EXPECT_EQ(Attribute(ids[1], "publicKeyToken"), "6595b64144ccf1df");
  EXPECT_EQ(Attribute(ids[1], "language"), "*");

  std::vector<std::string> dpi = StartTags(xml, "dpiAwareness");
  ASSERT_EQ(dpi.size(), 1u);
  EXPECT_EQ(Attribute(dpi[0], "xmlns"), "http://schemas.microsoft.com/SMI/2016/WindowsSettings");
  EXPECT_EQ(Content(xml, "dpiAwareness"), "PerMonitorV2");
  EXPECT_TRUE(StartTags(xml, "dpiAware").empty()) << "the older element overrides nothing and must be absent";
  EXPECT_NE(xml.find("<windowsSettings>" + dpi[0]), std::string::npos);

  std::vector<std::string> compatibility = StartTags(xml, "compatibility");
  ASSERT_EQ(compatibility.size(), 1u);
  EXPECT_EQ(Attribute(compatibility[0], "xmlns"), "urn:schemas-microsoft-com:compatibility.v1");
  std::vector<std::string> systems;
  for (const std::string& tag : StartTags(xml, "supportedOS")) systems.push_back(Attribute(tag, "Id"));
  EXPECT_EQ(systems, (std::vector<std::string>{
                         "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
                         "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
                         "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
                         "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
                         "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
                     }));

  std::vector<std::string> level = StartTags(xml, "requestedExecutionLevel");
  ASSERT_EQ(level.size(), 1u);
  EXPECT_EQ(Attribute(level[0], "level"), g_singleUser ? "asInvoker" : "requireAdministrator");
  EXPECT_EQ(Attribute(level[0], "uiAccess"), "false");
  EXPECT_NE(
      xml.find("<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\"><security><requestedPrivileges>" + level[0]),
      std::string::npos);
}

// One node of a version record: its key, value bytes and children.
struct VersionNode {
  std::string key;
  uint16_t type = 0;
  uint16_t valueLength = 0;
  std::vector<uint8_t> value;
  std::vector<VersionNode> children;
};

// Parses the node at `at`, which must end within `end`; false when malformed.
bool ParseVersionNode(const std::vector<uint8_t>& b, size_t at, size_t end, VersionNode* node, int depth = 0) {
  Reader r{b, at};
  size_t length = r.U16();
  if (r.bad || length < 6 || at + length > end || depth > 4) return false;
  node->valueLength = r.U16();
  node->type = r.U16();
  node->key = r.Text();
  r.AlignTo4();
  // Text values count UTF-16 units, binary ones bytes.
  size_t valueBytes = node->type == 1 ? size_t(node->valueLength) * 2 : node->valueLength;
  if (r.bad || r.at + valueBytes > at + length) return false;
  node->value.assign(b.begin() + r.at, b.begin() + r.at + valueBytes);
  r.at += valueBytes;
  for (r.AlignTo4(); r.at < at + length; r.AlignTo4()) {
    node->children.emplace_back();
    if (!ParseVersionNode(b, r.at, at + length, &node->children.back(), depth + 1)) return false;
    r.at += U32At(b, r.at) & 0xFFFF;
  }
  return true;
}

std::string TextValue(const VersionNode& node) {
  Reader r{node.value};
  return r.Text();
}

TEST_F(SetupResources, VersionRecordNamesTheReleaseInOrder) {
  std::vector<uint8_t> bytes = Bytes(16, 1);
  // " (Single User)": 14 more UTF-16 units in the description, 28 bytes.
  EXPECT_EQ(bytes.size(), g_singleUser ? 636u : 608u);
  VersionNode root;
  ASSERT_TRUE(ParseVersionNode(bytes, 0, bytes.size(), &root));
  EXPECT_EQ(U32At(bytes, 0) & 0xFFFF, bytes.size()) << "the record's own length";
  EXPECT_EQ(root.key, "VS_VERSION_INFO");
  ASSERT_EQ(root.value.size(), 52u);
  const uint32_t fixedWant[] = {0xFEEF04BD, 0x00010000,      // signature, structure version
                                0x00170008, 0x00000000,      // file version 23.8.0.0
                                0x00170008, 0x00000000,      // product version 23.8.0.0
                                0x3F,       0,               // flags mask, flags
                                0x00040004, 1,               // VOS_NT_WINDOWS32, VFT_APP
                                0,          0,          0};  // subtype, date
  for (size_t i = 0; i < 13; ++i) EXPECT_EQ(U32At(root.value, 4 * i), fixedWant[i]) << "fixed field " << i;

  ASSERT_EQ(root.children.size(), 2u);
  const VersionNode& strings = root.children[0];
  EXPECT_EQ(strings.key, "StringFileInfo");
  ASSERT_EQ(strings.children.size(), 1u);
  EXPECT_EQ(strings.children[0].key, "040904b0");
  std::vector<std::pair<std::string, std::string>> values;
  for (const VersionNode& s : strings.children[0].children) values.push_back({s.key, TextValue(s)});
  // The notice is ours to word: one line naming the maker.
  EXPECT_EQ(values, (std::vector<std::pair<std::string, std::string>>{
                        {"CompanyName", "Velunora"},
                        {"FileDescription", g_singleUser ? "Velunora App Pack (Single User)" : "Velunora App Pack"},
                        {"FileVersion", "23.8.0.0"},
                        {"LegalCopyright", "Copyright (C) Velunora."},
                        {"ProductName", "Velunora App Pack"},
                        {"ProductVersion", "23.8.0.0"},
                    }));

  const VersionNode& vars = root.children[1];
  EXPECT_EQ(vars.key, "VarFileInfo");
  ASSERT_EQ(vars.children.size(), 1u);
  EXPECT_EQ(vars.children[0].key, "Translation");
  EXPECT_EQ(vars.children[0].value, (std::vector<uint8_t>{0x09, 0x04, 0xB0, 0x04}));
}

TEST_F(SetupResources, EveryResourceIsEnglishUsAndTheIconIsTheOnlyOne) {
  EXPECT_EQ(Bytes({false, 0, "AFX_DIALOG_LAYOUT"}, 105), (std::vector<uint8_t>{0, 0}));
  int groups = 0;
  for (const pe::Resource& r : image_.resources) {
    std::string what = (r.type.isOrdinal ? std::to_string(r.type.ordinal) : r.type.text) + "/" +
                       (r.name.isOrdinal ? std::to_string(r.name.ordinal) : r.name.text);
    EXPECT_EQ(r.language, 1033u) << what;
    groups += r.type.isOrdinal && r.type.ordinal == 14;
  }
  // The shell shows the first icon group as the file's icon.
  EXPECT_EQ(groups, 1);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  g_singleUser = argc == 3 && std::string(argv[2]) == "--single-user";
  if (argc != (g_singleUser ? 3 : 2)) {
    std::fprintf(stderr, "usage: %s SETUP_EXE [--single-user] [gtest options]\n", argv[0]);
    return 2;
  }
  g_setupPath = argv[1];
  return RUN_ALL_TESTS();
}
