#include "pack_examine.h"

#include <cinttypes>
#include <cstdio>

#include "pack_files.h"
#include "pe_image.h"

namespace {

constexpr uint32_t kRtRcdata = 10;
constexpr uint32_t kEnglishUs = 1033;  // the language the resource is stored under
constexpr uint8_t kMaxPropertiesByte = 224;
constexpr int kMaxLiteralBits = 4;  // lc + lp: liblzma's limit, so the loader's too

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void Problem(PayloadReport* report, const std::string& what) { report->problems.push_back(what); }

void Compare(PayloadReport* report, const char* what, uint32_t actual, uint32_t expected, bool hex) {
  if (actual == expected) return;
  char text[160];
  if (hex) {
    std::snprintf(text, sizeof text, "%s 0x%08X, the header expects 0x%08X", what, actual, expected);
  } else {
    std::snprintf(text, sizeof text, "%s %s, the header expects %s", what, FormatCount(actual).c_str(),
                  FormatCount(expected).c_str());
  }
  Problem(report, text);
}

}  // namespace

void VerifyPayloadResource(const uint8_t* resource, uint32_t size, const PayloadExpectation* expected,
                           PayloadReport* report, std::vector<uint8_t>* decodedBytes) {
  report->hasResource = true;
  report->resourceSize = size;
  if (expected) Compare(report, "resource size", size, expected->resourceSize, false);
  if (size < kPayloadPropertiesSize) {
    Problem(report, "the resource is shorter than its 5-byte properties block");
    return;
  }
  report->hasProperties = true;
  report->propertiesByte = resource[0];
  report->dictionarySize = ReadU32(resource + 1);
  if (resource[0] > kMaxPropertiesByte) {
    Problem(report, "properties byte " + std::to_string(resource[0]) + ", valid values are below 225");
    return;
  }
  if (resource[0] % 9 + resource[0] / 9 % 5 > kMaxLiteralBits) {
    Problem(report, "properties byte " + std::to_string(resource[0]) + ": lc + lp above 4, which the decoder refuses");
    return;
  }

  // One byte more than the block tells a payload that fills it exactly from
  // one that overflows it.
  std::vector<uint8_t> out(kPayloadCapacity + 1);
  DecodeReport decode = {};
  uint32_t sourceLength = size - kPayloadPropertiesSize;
  uint32_t produced = DecodePayloadStream(out.data(), uint32_t(out.size()), resource + kPayloadPropertiesSize,
                                          sourceLength, resource, &decode);
  report->decoded = true;
  report->decodedLength = produced;
  report->checksum = PayloadChecksum(out.data(), produced);

  // Overflow is judged by the length: a stream may reach its end marker at
  // the very byte that fills the buffer.
  if (produced > kPayloadCapacity) {
    Problem(report, "the stream decodes past the " + FormatCount(kPayloadCapacity) + "-byte payload block");
    produced = kPayloadCapacity;
  } else if (decode.stop == DecodeEndMarker) {
    if (decode.consumed != sourceLength) {
      Problem(report, FormatCount(sourceLength - decode.consumed) + " bytes follow the end-of-stream marker");
    }
  } else if (decode.stop == DecodeError) {
    Problem(report, "the stream is corrupt after " + FormatCount(produced) + " decoded bytes");
  } else {
    Problem(report, "the stream ends without its end-of-stream marker");
  }

  if (produced < kPayloadTableSize) {
    Problem(report, "the decoded bytes are shorter than the 132-byte entry table");
  } else {
    report->hasTable = true;
    if (IndexPayload(out.data(), produced, report->entries) != PayloadStatus::Ok) {
      uint64_t end = kPayloadTableSize;
      for (const PayloadEntry& e : report->entries) end += e.size;
      Problem(report,
              "the entry table covers " + FormatCount(end) + " bytes, the decoded length is " + FormatCount(produced));
    }
  }
  if (expected) {
    Compare(report, "decoded length", report->decodedLength, expected->decodedLength, false);
    Compare(report, "checksum", report->checksum, expected->checksum, true);
  }
  if (decodedBytes) decodedBytes->assign(out.begin(), out.begin() + produced);
}

PayloadReport InspectPayloadFile(const uint8_t* file, size_t size, const PayloadExpectation* expected,
                                 std::vector<uint8_t>* decodedBytes) {
  PayloadReport report;
  if (decodedBytes) decodedBytes->clear();
  if (size < 2 || file[0] != 'M' || file[1] != 'Z') {
    report.where = "bare payload resource";
    if (size > 0xFFFFFFFFu) {
      Problem(&report, "the file is too large to be a payload resource");
      return report;
    }
    VerifyPayloadResource(file, uint32_t(size), expected, &report, decodedBytes);
    return report;
  }

  pe::Image image;
  std::string error;
  if (!pe::Parse(file, size, &image, &error)) {
    report.where = "executable";
    Problem(&report, "not a readable 64-bit PE image: " + error);
    return report;
  }
  std::vector<const pe::Resource*> found;
  for (const pe::Resource& r : image.resources) {
    if (r.type.isOrdinal && r.type.ordinal == kRtRcdata && r.name.isOrdinal && r.name.ordinal == kPayloadResourceId)
      found.push_back(&r);
  }
  if (found.empty()) {
    report.where = "executable";
    Problem(&report, "no RT_RCDATA 102 resource");
    return report;
  }
  const pe::Resource& r = *found[0];
  char where[128];
  std::snprintf(where, sizeof where, "RT_RCDATA 102, language %u, at file offset %" PRIu64, r.language, r.fileOffset);
  report.where = where;
  report.foundInImage = true;
  report.resourceOffset = r.fileOffset;
  // The loader names no language, so with two copies the user's language
  // would decide which one it gets.
  if (found.size() > 1) Problem(&report, std::to_string(found.size()) + " RT_RCDATA 102 resources");
  if (r.language != kEnglishUs) Problem(&report, "stored under language " + std::to_string(r.language) + ", not 1033");
  VerifyPayloadResource(file + r.fileOffset, r.size, expected, &report, decodedBytes);
  return report;
}

std::string FormatFileTime(uint64_t fileTime) {
  if (fileTime == 0) return "none";
  uint64_t seconds = fileTime / 10000000;
  int64_t days = int64_t(seconds / 86400);
  uint64_t second = seconds % 86400;
  // Days since 1601-01-01 to a civil date, through days since 0000-03-01.
  int64_t z = days + 584694;  // 1601-01-01 is day 584,694 of that count
  int64_t era = z / 146097;
  int64_t dayOfEra = z - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[64];
  std::snprintf(text, sizeof text, "%04" PRId64 "-%02" PRId64 "-%02" PRId64 " %02u:%02u:%02u UTC", year, month, day,
                unsigned(second / 3600), unsigned(second / 60 % 60), unsigned(second % 60));
  return text;
}

std::string FormatPayloadReport(const PayloadReport& report) {
  std::string text = "payload: " + report.where + "\n";
  text += "resource size: " + FormatCount(report.resourceSize) + " bytes\n";
  if (report.hasProperties) {
    char line[160];
    uint8_t p = report.propertiesByte;
    std::snprintf(line, sizeof line, "properties: 0x%02X (lc %u, lp %u, pb %u), dictionary %s bytes\n", p, p % 9,
                  p / 9 % 5, p / 45, FormatCount(report.dictionarySize).c_str());
    text += line;
  }
  if (report.hasTable) {
    text += "entry     offset       size  last write\n";
    for (uint32_t i = 0; i < kPayloadEntryCount; ++i) {
      const PayloadEntry& e = report.entries[i];
      uint64_t time = uint64_t(e.lastWrite.highDateTime) << 32 | e.lastWrite.lowDateTime;
      char line[160];
      std::snprintf(line, sizeof line, "%5u %10s %10s  ", i, FormatCount(e.offset).c_str(),
                    FormatCount(e.size).c_str());
      text += line;
      text += time == 0 ? "none" : std::to_string(time) + " (" + FormatFileTime(time) + ")";
      text += "\n";
    }
  }
  if (report.decoded) {
    char line[64];
    text += "decoded length: " + FormatCount(report.decodedLength) + " bytes\n";
    std::snprintf(line, sizeof line, "checksum: 0x%08X\n", report.checksum);
    text += line;
  }
  if (report.Ok()) {
    text += "verdict: ok\n";
  } else {
    text += "verdict: damaged (";
    for (size_t i = 0; i < report.problems.size(); ++i) text += (i ? "; " : "") + report.problems[i];
    text += ")\n";
  }
  return text;
}

std::string FormatPayloadReportKv(const PayloadReport& report) {
  std::string text;
  auto line = [&text](const std::string& key, const std::string& value) { text += key + " " + value + "\n"; };
  if (report.foundInImage) line("resource_offset", std::to_string(report.resourceOffset));
  if (report.hasResource) line("resource_size", std::to_string(report.resourceSize));
  if (report.hasProperties) {
    line("properties_byte", std::to_string(report.propertiesByte));
    line("dictionary_size", std::to_string(report.dictionarySize));
  }
  if (report.hasTable) {
    for (uint32_t i = 0; i < kPayloadEntryCount; ++i) {
      const PayloadEntry& e = report.entries[i];
      std::string entry = "entry_" + std::to_string(i) + "_";
      line(entry + "offset", std::to_string(e.offset));
      line(entry + "size", std::to_string(e.size));
      line(entry + "time", std::to_string(uint64_t(e.lastWrite.highDateTime) << 32 | e.lastWrite.lowDateTime));
    }
  }
  if (report.decoded) {
    char checksum[16];
    std::snprintf(checksum, sizeof checksum, "0x%08X", report.checksum);
    line("decoded_length", std::to_string(report.decodedLength));
    line("checksum", checksum);
  }
  for (const std::string& problem : report.problems) line("problem", problem);
  line("verdict", report.Ok() ? "ok" : "damaged");
  return text;
}
