#include "pack_payload.h"

#include <cstring>

#include "pack_files.h"
#include "pack_examine.h"

namespace {

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The license page shows single-byte text in an edit control: a NUL would
// cut it short and anything but CRLF would run lines together.
bool CheckLicenseText(const std::vector<uint8_t>& text, const std::string& path, std::string* error) {
  for (size_t i = 0; i < text.size(); ++i) {
    uint8_t c = text[i];
    const char* fault = nullptr;
    if (c == 0) {
      fault = "a NUL byte";
    } else if (c >= 0x80) {
      fault = "a byte outside ASCII";
    } else if (c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) {
      fault = "a CR without LF";
    } else if (c == '\n' && (i == 0 || text[i - 1] != '\r')) {
      fault = "an LF without CR";
    }
    if (fault) {
      *error = path + ": license (entry 0) has " + fault + " at byte " + std::to_string(i) +
               "; it must be ASCII text with CRLF line breaks";
      return false;
    }
  }
  return true;
}

}  // namespace

bool BuildDecodedPayload(const std::vector<ManifestEntry>& entries, std::vector<uint8_t>* decoded, std::string* error) {
  decoded->clear();
  if (entries.size() != kPayloadEntryCount) {
    *error = std::to_string(entries.size()) + " entries; a payload has exactly " + std::to_string(kPayloadEntryCount);
    return false;
  }
  decoded->assign(kPayloadTableSize, 0);
  for (uint32_t i = 0; i < kPayloadEntryCount; ++i) {
    const ManifestEntry& entry = entries[i];
    uint64_t room = kPayloadCapacity - decoded->size();
    uint64_t limit = i == kLicenseEntry ? kLicenseLimit : room;
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    std::string why;
    switch (ReadFileBounded(entry.path, limit, &bytes, &size, &why)) {
      case ReadResult::Unreadable:
        *error = entry.path + ": cannot read entry " + std::to_string(i) + ": " + why;
        return false;
      case ReadResult::TooLarge:
        if (i == kLicenseEntry) {
          *error = entry.path + ": license (entry 0) of " + FormatCount(size) + " bytes, over the limit of " +
                   FormatCount(kLicenseLimit) + " bytes that the license page shows";
        } else {
          *error = entry.path + ": entry " + std::to_string(i) + " of " + FormatCount(size) +
                   " bytes takes the decoded payload to " + FormatCount(decoded->size() + size) +
                   " bytes, over the limit of " + FormatCount(kPayloadCapacity) + " bytes";
        }
        return false;
      case ReadResult::Ok:
        break;
    }
    if (i == kLicenseEntry && !CheckLicenseText(bytes, entry.path, error)) return false;
    uint8_t* record = decoded->data() + kPayloadRecordSize * i;
    PutU32(record, uint32_t(bytes.size()));
    PutU32(record + 4, uint32_t(entry.lastWrite));
    PutU32(record + 8, uint32_t(entry.lastWrite >> 32));
    decoded->insert(decoded->end(), bytes.begin(), bytes.end());
  }
  return true;
}

uint32_t PackDictionarySize(uint32_t decodedLength) { return decodedLength < 4096 ? 4096 : decodedLength; }

bool EncodePayload(const std::vector<uint8_t>& decoded, PackedPayload* packed, std::string* error) {
  packed->decoded = decoded;
  packed->resource.clear();
  if (decoded.size() < kPayloadTableSize || decoded.size() > kPayloadCapacity) {
    *error = "decoded payload of " + FormatCount(decoded.size()) + " bytes, outside " + FormatCount(kPayloadTableSize) +
             " to " + FormatCount(kPayloadCapacity) + " bytes";
    return false;
  }
  uint32_t length = uint32_t(decoded.size());
  LzmaSearchResult search;
  if (!SearchLzmaSettings(decoded.data(), decoded.size(), PackDictionarySize(length), 0, &search)) {
    *error = "the LZMA encoder failed";
    return false;
  }
  packed->resource.swap(search.resource);
  packed->settings = search.settings;
  packed->trials = search.trials;
  packed->constants = {uint32_t(packed->resource.size()), length, PayloadChecksum(decoded.data(), length)};

  // The output must pass both the inspection a maker runs and the loader's
  // own path, and give back exactly what went in.
  PayloadReport report;
  std::vector<uint8_t> back;
  VerifyPayloadResource(packed->resource.data(), uint32_t(packed->resource.size()), &packed->constants, &report, &back);
  if (!report.Ok()) {
    *error = "the encoded payload does not verify: " + report.problems[0];
    return false;
  }
  PayloadBuffer buffer = {};
  PayloadEntry entries[kPayloadEntryCount] = {};
  PayloadStatus status =
      LoadPayloadBytes(packed->resource.data(), uint32_t(packed->resource.size()), packed->constants, &buffer, entries);
  if (status != PayloadStatus::Ok || back != decoded || std::memcmp(buffer.data, decoded.data(), length) != 0) {
    *error = "the encoded payload does not decode to its input (loader status " + std::to_string(int(status)) + ")";
    return false;
  }
  return true;
}

bool PackPayload(const std::vector<ManifestEntry>& entries, PackedPayload* packed, std::string* error) {
  std::vector<uint8_t> decoded;
  return BuildDecodedPayload(entries, &decoded, error) && EncodePayload(decoded, packed, error);
}
