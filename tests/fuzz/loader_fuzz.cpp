// Arbitrary bytes as the payload resource: through the loader's byte-range
// entry point, and through the decoder and the table index on their own.
// Besides what the sanitizers catch, it stops on any result the loader must
// never give: an accepted payload whose table does not index it exactly,
// a refusal that contradicts the decoder, or an accepted wrong expectation.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "payload.h"

namespace {

void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "loader_fuzz: %s\n", what);
  std::abort();
}

// The table read straight from the input: an accepted table starts at 132
// and runs contiguously to exactly `length`. Offsets past 4 GiB are kept
// only to 32 bits, so they are compared that way.
void CheckIndex(const uint8_t* table, uint32_t length) {
  PayloadEntry entries[kPayloadEntryCount];
  PayloadStatus status = IndexPayload(table, length, entries);
  uint64_t end = kPayloadTableSize;
  bool inside = true;
  for (const PayloadEntry& e : entries) {
    Require(e.offset == uint32_t(end), "an entry does not follow the one before it");
    end += e.size;
    inside = inside && end <= length;
  }
  Require((status == PayloadStatus::Ok) == (inside && end == length),
          "the index disagrees with the sizes in its table");
}

// Decoding into less room must give exactly the first bytes of the
// roomier decode: the destination bounds the output, never changes it.
void CheckDecode(const uint8_t* resource, uint32_t size, const uint8_t* full, uint32_t produced,
                 const DecodeReport& report) {
  Require(produced <= kPayloadCapacity, "the decoder wrote past its destination");
  Require(report.consumed <= size - kPayloadPropertiesSize, "the decoder consumed more than its source");
  Require(report.stop != DecodeDestinationFull || produced == kPayloadCapacity, "a full destination that is not full");
  if (produced == 0) return;
  static uint8_t small[kPayloadCapacity];
  uint32_t room = produced / 2;
  DecodeReport smallReport;
  uint32_t got = DecodePayloadStream(small, room, resource + kPayloadPropertiesSize, size - kPayloadPropertiesSize,
                                     resource, &smallReport);
  Require(got == room, "a smaller destination was not filled");
  Require(std::memcmp(small, full, room) == 0, "a smaller destination received different bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t length) {
  if (length > 0xFFFFFFFFu) return 0;
  uint32_t size = uint32_t(length);
  if (size >= kPayloadTableSize) CheckIndex(data, size);

  // What the decoder makes of the input supplies the expectation, so that
  // every input that decodes far enough reaches the checksum and the index
  // instead of stopping at a length no mutation would guess.
  static uint8_t decoded[kPayloadCapacity];
  uint32_t produced = 0;
  if (size >= kPayloadPropertiesSize) {
    DecodeReport report;
    produced = DecodePayloadStream(decoded, kPayloadCapacity, data + kPayloadPropertiesSize,
                                   size - kPayloadPropertiesSize, data, &report);
    CheckDecode(data, size, decoded, produced, report);
  }
  PayloadExpectation expected = {size, produced, PayloadChecksum(decoded, produced)};

  // A resource of another size is refused before anything is allocated.
  {
    PayloadBuffer payload = {};
    PayloadEntry entries[kPayloadEntryCount] = {};
    PayloadExpectation other = expected;
    other.resourceSize = size + 1;
    Require(LoadPayloadBytes(data, size, other, &payload, entries) == PayloadStatus::ResourceMissing && !payload.data,
            "a resource of the wrong size was not refused up front");
  }

  PayloadBuffer payload = {};
  PayloadEntry entries[kPayloadEntryCount] = {};
  PayloadStatus status = LoadPayloadBytes(data, size, expected, &payload, entries);
  if (size < kPayloadPropertiesSize) {
    Require(status == PayloadStatus::ResourceMissing, "a resource without properties was not refused");
    return 0;
  }
  Require(status == PayloadStatus::Ok || status == PayloadStatus::Corrupt, "an unexpected status");
  Require(std::memcmp(payload.data, decoded, produced) == 0, "the loader decoded different bytes");
  if (produced < kPayloadTableSize) {
    Require(status == PayloadStatus::Corrupt, "a payload shorter than its table was accepted");
    return 0;
  }
  PayloadEntry direct[kPayloadEntryCount];
  Require(status == IndexPayload(decoded, produced, direct), "the loader and the index disagree");
  Require(std::memcmp(entries, direct, sizeof direct) == 0, "the loader and the index give different entries");
  if (status != PayloadStatus::Ok) return 0;

  // Accepted bytes must still be refused against any other length or checksum.
  for (int which = 0; which < 2; ++which) {
    PayloadBuffer again = {};
    PayloadEntry ignored[kPayloadEntryCount] = {};
    PayloadExpectation wrong = expected;
    if (which == 0) wrong.decodedLength ^= 1;
    if (which == 1) wrong.checksum ^= 0x80000000u;
    Require(LoadPayloadBytes(data, size, wrong, &again, ignored) == PayloadStatus::Corrupt,
            "a wrong expectation was accepted");
  }
  return 0;
}
