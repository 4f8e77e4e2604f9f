// The packing tool as the build runs it: manifests, refusals, reproducible
// output, and inspection of good and damaged payloads.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lzma_encode.h"
#include "lzma_search.h"
#include "pack_command.h"
#include "pack_constants.h"
#include "pack_files.h"
#include "pack_examine.h"
#include "pack_manifest.h"
#include "pe_image_builder.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string Slurp(FILE* f) {
  std::rewind(f);
  std::string text;
  for (int c; (c = std::fgetc(f)) != EOF;) text.push_back(char(c));
  std::fclose(f);
  return text;
}

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result RunTool(std::vector<std::string> args) {
  args.insert(args.begin(), "payload-pack");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  int code = RunPayloadPack(int(argv.size()), argv.data(), out, err);
  return {code, Slurp(out), Slurp(err)};
}

// A folder with a license and ten program stand-ins of the given sizes,
// and a manifest naming them; `Pack` runs the tool on it.
class PackFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/pack_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    Write(dir_ / "license.txt", Text("Our license\r\nSecond line"));
    for (int i = 1; i <= 10; ++i) {
      std::vector<uint8_t> program(1000 * i);
      for (size_t k = 0; k < program.size(); ++k) program[k] = uint8_t(k * i % 253);
      Write(dir_ / ("program " + std::to_string(i) + ".exe"), program);
    }
    lines_ = {"license.txt none"};
    for (int i = 1; i <= 10; ++i) {
      lines_.push_back("program " + std::to_string(i) + ".exe " +
                       (i <= 8 ? std::to_string(133358724000000000 + i) : "none"));
    }
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

  Result Pack(const std::string& suffix = "") {
    std::string manifest;
    for (const std::string& line : lines_) manifest += line + "\n";
    Write(dir_ / "manifest.txt", Text(manifest));
    return RunTool({"pack", "--manifest", (dir_ / "manifest.txt").string(), "--resource",
                    (dir_ / ("payload" + suffix + ".bin")).string(), "--header",
                    (dir_ / ("payload" + suffix + ".h")).string()});
  }

  // Packing must fail naming `file` and `limit`, and leave no output behind.
  void ExpectRefused(const std::string& file, const std::string& limit) {
    Result r = Pack();
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(limit), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "payload.bin"));
    EXPECT_FALSE(fs::exists(dir_ / "payload.h"));
    for (const fs::directory_entry& e : fs::directory_iterator(dir_))
      EXPECT_EQ(e.path().string().find(".tmp-"), std::string::npos) << e.path();
  }

  fs::path dir_;
  std::vector<std::string> lines_;
};

TEST_F(PackFolder, PacksReproduciblyAndInspectsAsOk) {
  ASSERT_EQ(Pack("1").code, 0);
  ASSERT_EQ(Pack("2").code, 0);
  EXPECT_EQ(Bytes(dir_ / "payload1.bin"), Bytes(dir_ / "payload2.bin"));
  EXPECT_EQ(Bytes(dir_ / "payload1.h"), Bytes(dir_ / "payload2.h"));

  Result r = RunTool({"inspect", (dir_ / "payload1.bin").string(), "--expect", (dir_ / "payload1.h").string(),
                      "--decoded", (dir_ / "decoded.bin").string()});
  EXPECT_EQ(r.code, 0) << r.out;
  // The decoded bytes as written out: the table, then the entries in order.
  std::vector<uint8_t> decoded = Bytes(dir_ / "decoded.bin");
  ASSERT_EQ(decoded.size(), 55156u);
  EXPECT_EQ(std::vector<uint8_t>(decoded.begin() + 132, decoded.begin() + 156), Bytes(dir_ / "license.txt"));
  EXPECT_EQ(std::vector<uint8_t>(decoded.end() - 10000, decoded.end()), Bytes(dir_ / "program 10.exe"));
  // Entry 2 starts after the table, the 24-byte license and entry 1.
  EXPECT_NE(r.out.find("    2      1,156      2,000  133358724000000002 (2023-08-07 09:00:00 UTC)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("   10     45,156     10,000  none\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("decoded length: 55,156 bytes\n"), std::string::npos);
  EXPECT_NE(r.out.find("verdict: ok\n"), std::string::npos);

  std::string text;
  for (uint8_t c : Bytes(dir_ / "payload1.h")) text.push_back(char(c));
  EXPECT_NE(text.find("#pragma once\n"), std::string::npos);
  EXPECT_NE(text.find("#include <cstdint>\n"), std::string::npos);
  PayloadExpectation constants = {};
  std::string error;
  ASSERT_TRUE(ParseConstantsHeader(text, "payload1.h", &constants, &error)) << error;
  EXPECT_EQ(constants.resourceSize, Bytes(dir_ / "payload1.bin").size());
  EXPECT_EQ(constants.decodedLength, 55156u);
}

// Scripts read offsets and sizes from --format=kv, so every key is held to
// what the fixture's files make known by hand: the 132-byte table, the
// 24-byte license, programs of 1,000 x i bytes, times for programs 1-8 only.
TEST_F(PackFolder, InspectsForScriptsAsKeyValueLines) {
  ASSERT_EQ(Pack().code, 0);
  std::vector<uint8_t> resource = Bytes(dir_ / "payload.bin");
  ASSERT_GE(resource.size(), 5u);

  std::vector<uint8_t> decoded(132, 0);
  std::vector<uint64_t> times(11, 0);
  for (int i = 0; i <= 10; ++i) {
    if (i >= 1 && i <= 8) times[i] = 133358724000000000 + i;
    std::vector<uint8_t> file =
        Bytes(dir_ / (i == 0 ? std::string("license.txt") : "program " + std::to_string(i) + ".exe"));
    for (int k = 0; k < 4; ++k) decoded[12 * i + k] = uint8_t(file.size() >> (8 * k));
    for (int k = 0; k < 8; ++k) decoded[12 * i + 4 + k] = uint8_t(times[i] >> (8 * k));
    decoded.insert(decoded.end(), file.begin(), file.end());
  }
  ASSERT_EQ(decoded.size(), 55156u);
  uint32_t checksum = 0;  // each byte added, then the sum rotated left by one
  for (uint8_t b : decoded) checksum = (checksum + b) << 1 | (checksum + b) >> 31;
  char checksumText[16];
  std::snprintf(checksumText, sizeof checksumText, "0x%08X", checksum);

  std::string expected = "resource_size " + std::to_string(resource.size()) + "\n";
  expected += "properties_byte " + std::to_string(resource[0]) + "\n";
  expected += "dictionary_size " +
              std::to_string(resource[1] | resource[2] << 8 | resource[3] << 16 | uint32_t(resource[4]) << 24) + "\n";
  uint32_t offset = 132;
  for (int i = 0; i <= 10; ++i) {
    uint32_t size = i == 0 ? 24 : 1000 * i;
    std::string entry = "entry_" + std::to_string(i) + "_";
    expected += entry + "offset " + std::to_string(offset) + "\n" + entry + "size " + std::to_string(size) + "\n" +
                entry + "time " + std::to_string(times[i]) + "\n";
    offset += size;
  }
  expected += "decoded_length 55156\nchecksum " + std::string(checksumText) + "\nverdict ok\n";

  std::string path = (dir_ / "payload.bin").string();
  Result kv = RunTool({"inspect", path, "--format=kv"});
  EXPECT_EQ(kv.code, 0);
  EXPECT_EQ(kv.out, expected);
  // Options in any order; text is the default.
  Result text = RunTool({"inspect", path, "--format=text", "--decoded", (dir_ / "decoded.bin").string()});
  EXPECT_EQ(text.out, RunTool({"inspect", path}).out);
  EXPECT_EQ(Bytes(dir_ / "decoded.bin"), decoded);
  for (std::vector<std::string> bad :
       {std::vector<std::string>{"--format=xml"}, {"--format="}, {"--format", "kv"}, {"--format=kv", "--format=kv"}}) {
    bad.insert(bad.begin(), {"inspect", path});
    EXPECT_EQ(RunTool(bad).code, 2) << bad[2];
  }

  // Inside an executable the resource's file offset comes first. A damaged
  // payload gives only the keys the inspection reached, the verdict still
  // last, and the exit code of the text form.
  ImageBuilder image;
  Write(dir_ / "image.exe", image.bytes());
  Result exe = RunTool({"inspect", (dir_ / "image.exe").string(), "--format=kv"});
  EXPECT_EQ(exe.code, 1);
  EXPECT_EQ(exe.out,
            "resource_offset 896\nresource_size 4\n"
            "problem the resource is shorter than its 5-byte properties block\nverdict damaged\n");
  image.Put32(0x328, 103);
  Write(dir_ / "image.exe", image.bytes());
  EXPECT_EQ(RunTool({"inspect", (dir_ / "image.exe").string(), "--format=kv"}).out,
            "problem no RT_RCDATA 102 resource\nverdict damaged\n");
}

TEST_F(PackFolder, RefusesLicensesThePageCouldNotShowWhole) {
  Write(dir_ / "license.txt", std::vector<uint8_t>(511, 'x'));
  EXPECT_EQ(Pack().code, 0);
  fs::remove(dir_ / "payload.bin");
  fs::remove(dir_ / "payload.h");
  Write(dir_ / "license.txt", std::vector<uint8_t>(512, 'x'));
  ExpectRefused("license.txt", "511 bytes");
  for (const std::string& text : {std::string("line\nline"), std::string("line\rline"), std::string("nul\0byte", 8),
                                  std::string("caf\xC3\xA9")}) {
    Write(dir_ / "license.txt", Text(text));
    ExpectRefused("license.txt", "ASCII text with CRLF line breaks");
  }
}

TEST_F(PackFolder, RefusesAPayloadOverTheBlockButFillsItExactly) {
  // Table, 24-byte license, entries 1-9 and 10: entry 10 takes what is left.
  uint64_t before = 132 + 24 + 45000;
  Write(dir_ / "program 10.exe", std::vector<uint8_t>(4194304 - before, 0x11));
  Result r = Pack();
  ASSERT_EQ(r.code, 0) << r.err;
  Result inspect = RunTool({"inspect", (dir_ / "payload.bin").string(), "--expect", (dir_ / "payload.h").string()});
  EXPECT_EQ(inspect.code, 0) << inspect.out;
  EXPECT_NE(inspect.out.find("decoded length: 4,194,304 bytes"), std::string::npos);
  fs::remove(dir_ / "payload.bin");
  fs::remove(dir_ / "payload.h");

  Write(dir_ / "program 10.exe", std::vector<uint8_t>(4194304 - before + 1, 0x11));
  ExpectRefused("program 10.exe", "limit of 4,194,304 bytes");
}

TEST_F(PackFolder, RefusesMissingFilesAndBadManifests) {
  fs::remove(dir_ / "program 3.exe");
  ExpectRefused("program 3.exe", "cannot read entry 3");
  fs::create_directory(dir_ / "program 3.exe");
  ExpectRefused("program 3.exe", "is a folder");

  SetUp();
  lines_.pop_back();
  ExpectRefused("manifest.txt", "10 entries; a payload has exactly 11");
  lines_.push_back("program 10.exe none");
  lines_.push_back("program 10.exe none");
  ExpectRefused("manifest.txt", "12 entries");
  lines_.pop_back();

  for (const char* time : {"", "12a", "-1", "+5", "None", "9223372036854775808", "99999999999999999999"}) {
    lines_[4] = std::string("program 4.exe ") + time;
    ExpectRefused("manifest.txt:5:", time[0] ? "malformed last-write time" : "malformed");
  }
}

TEST(ParseManifest, TakesTheLastFieldAsTheTimeAndResolvesRelativePaths) {
  std::string text = "# comment\r\n\r\n  license.txt\tnone  \r\n";
  text += "/abs/with two  spaces.exe   9223372036854775807\n";
  for (int i = 2; i < 11; ++i) text += "p" + std::to_string(i) + " 0\n";
  std::vector<ManifestEntry> entries;
  std::string error;
  ASSERT_TRUE(ParseManifest(text, "/build/m.txt", &entries, &error)) << error;
  EXPECT_EQ(entries[0].path, "/build/license.txt");
  EXPECT_EQ(entries[0].lastWrite, 0u);
  EXPECT_EQ(entries[0].line, 3u);
  EXPECT_EQ(entries[1].path, "/abs/with two  spaces.exe");
  EXPECT_EQ(entries[1].lastWrite, 9223372036854775807u);
  EXPECT_EQ(entries[10].path, "/build/p10");
}

// The search beats xz's strongest preset where the data invites other
// settings, decodes back exactly, says in its properties block what it
// chose, and gives the same bytes however many threads run it.
TEST(SearchLzmaSettings, FindsSmallerSettingsDeterministically) {
  // Little-endian 32-bit records, whose bytes repeat by position mod 4: the
  // preset's lc 3, lp 0 suit text, not this.
  std::vector<uint8_t> data;
  for (uint32_t i = 0; i < 3000; ++i) {
    uint32_t v = i * 2654435761u >> 20;
    for (int k = 0; k < 4; ++k) data.push_back(uint8_t(k == 3 ? 0 : v >> (8 * k)));
  }
  const uint32_t dictionary = uint32_t(data.size());
  LzmaSettings preset;
  preset.dictionarySize = dictionary;
  preset.depth = 512;
  std::vector<uint8_t> presetResource;
  ASSERT_TRUE(EncodeLzma1(data.data(), data.size(), preset, &presetResource));

  LzmaSearchResult one, two;
  ASSERT_TRUE(SearchLzmaSettings(data.data(), data.size(), dictionary, 1, &one));
  ASSERT_TRUE(SearchLzmaSettings(data.data(), data.size(), dictionary, 2, &two));
  EXPECT_EQ(one.resource, two.resource);
  EXPECT_EQ(DescribeSettings(one.settings), DescribeSettings(two.settings));
  EXPECT_LT(one.resource.size(), presetResource.size()) << DescribeSettings(one.settings);
  EXPECT_GT(one.trials, 30u);

  const LzmaSettings& s = one.settings;
  EXPECT_EQ(one.resource[0], (s.pb * 5 + s.lp) * 9 + s.lc);
  EXPECT_EQ(one.resource[1] | one.resource[2] << 8 | one.resource[3] << 16 | one.resource[4] << 24, int(dictionary));
  std::vector<uint8_t> back(data.size() + 1);
  DecodeReport report = {};
  uint32_t produced = DecodePayloadStream(back.data(), uint32_t(back.size()), one.resource.data() + 5,
                                          uint32_t(one.resource.size() - 5), one.resource.data(), &report);
  EXPECT_EQ(report.stop, DecodeEndMarker);
  ASSERT_EQ(produced, data.size());
  back.resize(produced);
  EXPECT_EQ(back, data);
}

// Whatever the bytes, inspection ends in a verdict and names the fault.
TEST(InspectPayloadFile, ReportsDamageOfEveryKind) {
  std::vector<uint8_t> decoded(132, 0);
  for (int i = 0; i < 11; ++i) decoded[12 * i] = 100;
  for (int i = 0; i < 1100; ++i) decoded.push_back(uint8_t(i * 7));
  std::vector<uint8_t> good;
  LzmaSettings settings;
  ASSERT_TRUE(EncodeLzma1(decoded.data(), decoded.size(), settings, &good));
  PayloadExpectation right = {uint32_t(good.size()), uint32_t(decoded.size()),
                              PayloadChecksum(decoded.data(), uint32_t(decoded.size()))};
  ASSERT_TRUE(InspectPayloadFile(good.data(), good.size(), &right).Ok());

  // A forged dictionary size leaves a sound stream sound: the decoder holds
  // the dictionary to the payload block, as the loader's does.
  for (uint32_t dictionary : {0xC0000000u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
    std::vector<uint8_t> forged = good;
    for (int i = 0; i < 4; ++i) forged[1 + i] = uint8_t(dictionary >> (8 * i));
    EXPECT_TRUE(InspectPayloadFile(forged.data(), forged.size(), &right).Ok()) << dictionary;
  }

  std::vector<uint8_t> wrongTable = decoded;
  wrongTable[12 * 10] = 99;
  std::vector<uint8_t> wrongTableResource;
  ASSERT_TRUE(EncodeLzma1(wrongTable.data(), wrongTable.size(), settings, &wrongTableResource));
  std::vector<uint8_t> tooLong(4194305, 0);
  std::vector<uint8_t> tooLongResource;
  ASSERT_TRUE(EncodeLzma1(tooLong.data(), tooLong.size(), settings, &tooLongResource));

  auto with = [](std::vector<uint8_t> bytes, size_t at, uint8_t value) {
    bytes[at] = value;
    return bytes;
  };
  std::vector<uint8_t> trailing = good;
  trailing.push_back(0);
  size_t middle = good.size() / 2;
  PayloadExpectation other = right;
  other.checksum ^= 1;

  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const PayloadExpectation* expected;
    const char* reason;
  };
  std::vector<Case> cases = {
      {"empty", {}, nullptr, "shorter than its 5-byte properties block"},
      {"bad properties", with(good, 0, 225), nullptr, "properties byte 225"},
      {"lc 8", with(good, 0, 8), nullptr, "lc + lp above 4"},
      {"trailing byte", trailing, nullptr, "1 bytes follow the end-of-stream marker"},
      {"truncated", std::vector<uint8_t>(good.begin(), good.end() - 20), nullptr, "without its end-of-stream marker"},
      {"changed byte", with(good, middle, good[middle] ^ 0x10), nullptr, "corrupt"},
      {"table", wrongTableResource, nullptr, "the entry table covers 1,231 bytes"},
      {"too long", tooLongResource, nullptr, "decodes past the 4,194,304-byte payload block"},
      {"other constants", good, &other, "checksum 0x"},
      {"not a PE", {'M', 'Z', 1, 2, 3}, nullptr, "not a readable 64-bit PE image"},
  };
  for (const Case& c : cases) {
    PayloadReport report = InspectPayloadFile(c.bytes.data(), c.bytes.size(), c.expected);
    std::string text = FormatPayloadReport(report);
    EXPECT_FALSE(report.Ok()) << c.what;
    EXPECT_NE(text.find(std::string("verdict: damaged (")), std::string::npos) << c.what << "\n" << text;
    EXPECT_NE(text.find(c.reason), std::string::npos) << c.what << "\n" << text;
  }
}

TEST(FormatFileTime, GivesTheUtcDate) {
  EXPECT_EQ(FormatFileTime(0), "none");
  EXPECT_EQ(FormatFileTime(1), "1601-01-01 00:00:00 UTC");
  EXPECT_EQ(FormatFileTime(133358724000000000), "2023-08-07 09:00:00 UTC");
  EXPECT_EQ(FormatFileTime(133537247990000000), "2024-02-29 23:59:59 UTC");
  EXPECT_EQ(FormatFileTime(9223372036854775807), "30828-09-14 02:48:05 UTC");
  EXPECT_EQ(FormatFileTime(UINT64_MAX), "60056-05-28 05:36:10 UTC");
}

TEST(ParseConstantsHeader, RefusesMissingRepeatedAndOversizedConstants) {
  PayloadExpectation constants = {8248, 2563195, 0xF89B74A8};
  std::string header = FormatConstantsHeader(constants);
  PayloadExpectation back = {};
  std::string error;
  ASSERT_TRUE(ParseConstantsHeader(header, "h", &back, &error)) << error;
  EXPECT_EQ(back.resourceSize, 8248u);
  EXPECT_EQ(back.decodedLength, 2563195u);
  EXPECT_EQ(back.checksum, 0xF89B74A8u);
  EXPECT_FALSE(ParseConstantsHeader(header + "constexpr uint32_t kPayloadChecksum = 1;\n", "h", &back, &error));
  EXPECT_FALSE(
      ParseConstantsHeader("constexpr uint32_t kPayloadResourceSize = 4294967296;\n" + header, "h", &back, &error));
  header.erase(header.find("constexpr uint32_t kPayloadDecodedLength"));
  EXPECT_FALSE(ParseConstantsHeader(header, "h", &back, &error));
  EXPECT_NE(error.find("kPayloadDecodedLength"), std::string::npos);
}

TEST(PadFile, PadsWithZerosToTheSizeAndRefusesALargerProgram) {
  fs::path dir = fs::temp_directory_path() / ("pad_test." + std::to_string(getpid()));
  fs::create_directories(dir);
  Write(dir / "in.exe", {1, 2, 3});
  std::string error;
  ASSERT_TRUE(PadFile((dir / "in.exe").string(), (dir / "out.exe").string(), 6, "Talvex", &error)) << error;
  EXPECT_EQ(Bytes(dir / "out.exe"), (std::vector<uint8_t>{1, 2, 3, 0, 0, 0}));
  ASSERT_TRUE(PadFile((dir / "in.exe").string(), (dir / "out.exe").string(), 3, "Talvex", &error)) << error;
  EXPECT_EQ(Bytes(dir / "out.exe").size(), 3u);
  EXPECT_FALSE(PadFile((dir / "in.exe").string(), (dir / "other.exe").string(), 2, "Talvex", &error));
  EXPECT_NE(error.find("Talvex"), std::string::npos);
  EXPECT_NE(error.find("is 3 bytes, over its fixed size of 2 bytes"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(dir / "other.exe"));
  fs::remove_all(dir);
}

// The license we ship is shown byte for byte by the license page.
TEST(AppPackLicense, Is503BytesOfAsciiWithCrlfLineBreaks) {
  std::vector<uint8_t> text = Bytes(fs::path(VELUNORA_SOURCE_DIR) / "apppack" / "license.txt");
  ASSERT_EQ(text.size(), 503u);
  size_t breaks = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    ASSERT_TRUE((text[i] >= 0x20 && text[i] < 0x7F) || text[i] == '\r' || text[i] == '\n') << "byte " << i;
    if (text[i] == '\r') {
      ASSERT_LT(i + 1, text.size());
      ASSERT_EQ(text[i + 1], '\n') << "byte " << i;
      ++breaks;
    }
    if (text[i] == '\n') {
      ASSERT_EQ(text[i - 1], '\r') << "byte " << i;
    }
  }
  EXPECT_GT(breaks, 0u);
  EXPECT_NE(text.back(), '\n');
}

}  // namespace
