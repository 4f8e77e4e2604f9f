#include "payload.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "lzma_encode.h"
#include "payload_heap.h"

namespace {

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// A decoded payload: the table for `sizes`, then each entry filled with a
// pattern of its own, so misplaced offsets show.
std::vector<uint8_t> DecodedPayload(const std::vector<uint32_t>& sizes) {
  std::vector<uint8_t> decoded(kPayloadTableSize, 0);
  for (uint32_t i = 0; i < kPayloadEntryCount; ++i) {
    PutU32(&decoded[12 * i], sizes[i]);
    PutU32(&decoded[12 * i + 4], i == 0 ? 0 : 0x10000000u + i);
    PutU32(&decoded[12 * i + 8], i == 0 ? 0 : 0x01D00000u + i);
  }
  for (uint32_t i = 0; i < kPayloadEntryCount; ++i) {
    for (uint32_t k = 0; k < sizes[i]; ++k) decoded.push_back(uint8_t(i * 31 + k % 251));
  }
  return decoded;
}

std::vector<uint8_t> Compress(const std::vector<uint8_t>& decoded) {
  std::vector<uint8_t> resource;
  LzmaSettings settings;
  EXPECT_TRUE(EncodeLzma1(decoded.data(), decoded.size(), settings, &resource));
  return resource;
}

PayloadExpectation ExpectationFor(const std::vector<uint8_t>& resource, const std::vector<uint8_t>& decoded) {
  return {uint32_t(resource.size()), uint32_t(decoded.size()),
          PayloadChecksum(decoded.data(), uint32_t(decoded.size()))};
}

const std::vector<uint32_t> kSizes = {503, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 900, 800};

TEST(PayloadChecksum, RotatesEveryByteIntoTheSum) {
  const uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(PayloadChecksum(abc, 3), 0x00000556u);
  EXPECT_EQ(PayloadChecksum(abc, 0), 0u);
  // 1 followed by 30 zero bytes walks the bit up to bit 31; one more zero
  // byte must bring it round to bit 0.
  std::vector<uint8_t> bytes(32, 0);
  bytes[0] = 1;
  EXPECT_EQ(PayloadChecksum(bytes.data(), 31), 0x80000000u);
  EXPECT_EQ(PayloadChecksum(bytes.data(), 32), 0x00000001u);
}

// The sum skips zeros a word or a block at a time; byte by byte, as defined,
// it must come out the same wherever the zero runs start and end, also when
// the sum wraps around 2^32 between them.
TEST(PayloadChecksum, SkipsZeroRunsWithoutChangingTheSum) {
  auto byteByByte = [](const std::vector<uint8_t>& bytes) {
    uint32_t s = 0;
    for (uint8_t b : bytes) {
      s += b;
      s = (s << 1) | (s >> 31);
    }
    return s;
  };
  std::vector<std::vector<uint8_t>> inputs;
  for (size_t run : {1, 7, 8, 9, 31, 32, 33, 40, 64, 100}) {
    for (size_t start : {0, 1, 5, 8, 13, 32}) {
      std::vector<uint8_t> bytes(start + run + 11, 0xFF);
      for (size_t k = 0; k < run; ++k) bytes[start + k] = 0;
      inputs.push_back(bytes);
    }
  }
  std::vector<uint8_t> sparse(5000, 0);
  for (size_t k = 3; k < sparse.size(); k += 97) sparse[k] = uint8_t(k * 31 + 7);
  inputs.push_back(sparse);
  for (const std::vector<uint8_t>& bytes : inputs) {
    for (size_t length : {bytes.size(), bytes.size() - 1, bytes.size() / 2}) {
      std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + length);
      ASSERT_EQ(PayloadChecksum(prefix.data(), uint32_t(length)), byteByByte(prefix))
          << length << " of " << bytes.size() << " bytes";
    }
  }
}

TEST(PayloadChecksum, ChangesForEverySingleChangedByte) {
  std::vector<uint8_t> bytes = DecodedPayload(kSizes);
  bytes.resize(4096);
  uint32_t original = PayloadChecksum(bytes.data(), uint32_t(bytes.size()));
  for (size_t i = 0; i < bytes.size(); i += 7) {
    for (int delta : {1, 0x80, 0xFF}) {
      std::vector<uint8_t> changed = bytes;
      changed[i] = uint8_t(changed[i] + delta);
      ASSERT_NE(PayloadChecksum(changed.data(), uint32_t(changed.size())), original) << "byte " << i;
    }
  }
}

TEST(LoadPayloadBytes, LoadsAndIndexesAValidPayload) {
  std::vector<uint8_t> decoded = DecodedPayload(kSizes);
  std::vector<uint8_t> resource = Compress(decoded);
  PayloadBuffer payload = {};
  PayloadEntry entries[kPayloadEntryCount] = {};
  ASSERT_EQ(LoadPayloadBytes(resource.data(), uint32_t(resource.size()), ExpectationFor(resource, decoded), &payload,
                             entries),
            PayloadStatus::Ok);
  EXPECT_EQ(payload.capacity, kPayloadCapacity);
  EXPECT_EQ(payload.owned, 1u);
  uint32_t offset = kPayloadTableSize;
  for (uint32_t i = 0; i < kPayloadEntryCount; ++i) {
    EXPECT_EQ(entries[i].offset, offset);
    EXPECT_EQ(entries[i].size, kSizes[i]);
    EXPECT_EQ(entries[i].lastWrite.lowDateTime, i == 0 ? 0u : 0x10000000u + i);
    EXPECT_EQ(entries[i].lastWrite.highDateTime, i == 0 ? 0u : 0x01D00000u + i);
    EXPECT_EQ(std::memcmp(payload.data + offset, decoded.data() + offset, kSizes[i]), 0);
    offset += kSizes[i];
  }
  // The rest of the block reads as zero.
  for (uint32_t i = offset; i < kPayloadCapacity; i += 4093) ASSERT_EQ(payload.data[i], 0) << i;
}

TEST(LoadPayloadBytes, RefusesAResourceOfAnyOtherSizeBeforeAllocating) {
  std::vector<uint8_t> decoded = DecodedPayload(kSizes);
  std::vector<uint8_t> resource = Compress(decoded);
  PayloadExpectation expected = ExpectationFor(resource, decoded);
  for (uint32_t size : {expected.resourceSize - 1, expected.resourceSize + 1, 0u}) {
    std::vector<uint8_t> bytes = resource;
    bytes.resize(size + 1);
    PayloadBuffer payload = {};
    PayloadEntry entries[kPayloadEntryCount] = {};
    EXPECT_EQ(LoadPayloadBytes(bytes.data(), size, expected, &payload, entries), PayloadStatus::ResourceMissing)
        << size;
    EXPECT_EQ(payload.data, nullptr);
    EXPECT_EQ(payload.capacity, 0u);
  }
}

// The length is a check of its own: a stream that decodes cleanly, sums to
// the expected checksum and whose table indexes it exactly is still refused
// when the build expected another length.
TEST(LoadPayloadBytes, RefusesAnyOtherDecodedLength) {
  std::vector<uint8_t> decoded = DecodedPayload(kSizes);
  std::vector<uint8_t> resource = Compress(decoded);
  PayloadExpectation expected = ExpectationFor(resource, decoded);
  for (uint32_t length : {expected.decodedLength - 1, expected.decodedLength + 1, expected.decodedLength + 32}) {
    PayloadExpectation other = expected;
    other.decodedLength = length;
    PayloadBuffer payload = {};
    PayloadEntry entries[kPayloadEntryCount] = {};
    EXPECT_EQ(LoadPayloadBytes(resource.data(), uint32_t(resource.size()), other, &payload, entries),
              PayloadStatus::Corrupt)
        << length;
  }
}

// Damage of the compressed stream must surface as Corrupt, whatever
// the decoder itself reports.
TEST(LoadPayloadBytes, ReportsDamagedStreamsAsCorrupt) {
  std::vector<uint8_t> decoded = DecodedPayload(kSizes);
  std::vector<uint8_t> resource = Compress(decoded);
  PayloadExpectation expected = ExpectationFor(resource, decoded);

  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"properties byte 225", resource});
  cases.back().bytes[0] = 225;
  cases.push_back({"properties byte 255", resource});
  cases.back().bytes[0] = 255;
  cases.push_back({"changed byte in the middle", resource});
  cases.back().bytes[resource.size() / 2] ^= 0x40;
  cases.push_back({"changed first stream byte after the range coder's zero", resource});
  cases.back().bytes[6] ^= 0x01;
  // (The last bytes of the stream are the range coder's flush; a change
  // there may decode to the very same bytes, which is no damage at all.)
  for (const Case& c : cases) {
    PayloadBuffer payload = {};
    PayloadEntry entries[kPayloadEntryCount] = {};
    EXPECT_EQ(LoadPayloadBytes(c.bytes.data(), uint32_t(c.bytes.size()), expected, &payload, entries),
              PayloadStatus::Corrupt)
        << c.what;
  }

  // A truncated stream, checked against its own (shorter) resource size.
  std::vector<uint8_t> truncated(resource.begin(), resource.end() - 64);
  PayloadExpectation shorter = expected;
  shorter.resourceSize = uint32_t(truncated.size());
  PayloadBuffer payload = {};
  PayloadEntry entries[kPayloadEntryCount] = {};
  EXPECT_EQ(LoadPayloadBytes(truncated.data(), uint32_t(truncated.size()), shorter, &payload, entries),
            PayloadStatus::Corrupt);
  DecodeReport report = {};
  uint32_t produced = DecodePayloadStream(payload.data, payload.capacity, truncated.data() + 5,
                                          uint32_t(truncated.size() - 5), truncated.data(), &report);
  EXPECT_LT(produced, decoded.size());
  EXPECT_NE(report.stop, DecodeEndMarker);
}

// The announced dictionary is input: however large it claims to be, the
// loader decodes a sound payload exactly, without asking for gigabytes (a
// size that rounds past 32 bits used to be refused by the heap outright).
TEST(LoadPayloadBytes, LoadsAPayloadWhoseDictionarySizeIsForged) {
  std::vector<uint8_t> decoded = DecodedPayload(kSizes);
  std::vector<uint8_t> resource = Compress(decoded);
  for (uint32_t dictionary : {0xC0000000u, 0xFFFFFFFFu}) {
    std::vector<uint8_t> forged = resource;
    PutU32(&forged[1], dictionary);
    PayloadBuffer payload = {};
    PayloadEntry entries[kPayloadEntryCount] = {};
    EXPECT_EQ(
        LoadPayloadBytes(forged.data(), uint32_t(forged.size()), ExpectationFor(forged, decoded), &payload, entries),
        PayloadStatus::Ok)
        << dictionary;
  }
}

TEST(DecodePayloadStream, StopsAtAFullDestination) {
  std::vector<uint8_t> big(kPayloadCapacity + 5000, 0x5A);
  std::vector<uint8_t> resource = Compress(big);
  PayloadBuffer payload = {};
  ASSERT_NE(payload.Allocate(), nullptr);
  DecodeReport report = {};
  EXPECT_EQ(DecodePayloadStream(payload.data, payload.capacity, resource.data() + 5, uint32_t(resource.size() - 5),
                                resource.data(), &report),
            kPayloadCapacity);
  EXPECT_EQ(report.stop, DecodeDestinationFull);

  PayloadBuffer other = {};
  PayloadEntry entries[kPayloadEntryCount] = {};
  PayloadExpectation expected = {uint32_t(resource.size()), uint32_t(big.size()),
                                 PayloadChecksum(big.data(), uint32_t(big.size()))};
  EXPECT_EQ(LoadPayloadBytes(resource.data(), uint32_t(resource.size()), expected, &other, entries),
            PayloadStatus::Corrupt);
}

TEST(DecodePayloadStream, ReachesTheEndMarkerAndRaisesSmallDictionaries) {
  std::vector<uint8_t> decoded = DecodedPayload(kSizes);
  std::vector<uint8_t> resource = Compress(decoded);
  // A stream encoded with a 4096-byte dictionary but announced with a
  // 1-byte one still decodes: anything below 4096 is raised to it.
  LzmaSettings small;
  small.dictionarySize = 4096;
  std::vector<uint8_t> smallResource;
  ASSERT_TRUE(EncodeLzma1(decoded.data(), decoded.size(), small, &smallResource));
  PutU32(&smallResource[1], 1);
  for (const std::vector<uint8_t>* r : {&resource, &smallResource}) {
    std::vector<uint8_t> out(decoded.size() + 100);
    DecodeReport report = {};
    EXPECT_EQ(DecodePayloadStream(out.data(), uint32_t(out.size()), r->data() + 5, uint32_t(r->size() - 5), r->data(),
                                  &report),
              decoded.size());
    EXPECT_EQ(report.stop, DecodeEndMarker);
    EXPECT_EQ(report.consumed, r->size() - 5);
    EXPECT_EQ(std::memcmp(out.data(), decoded.data(), decoded.size()), 0);
  }
  // Too short to hold even the range coder's first bytes: nothing.
  std::vector<uint8_t> out(64);
  EXPECT_EQ(DecodePayloadStream(out.data(), 64, resource.data() + 5, 4, resource.data(), nullptr), 0u);
}

TEST(IndexPayload, RequiresTheLastEntryToEndExactlyAtTheDecodedLength) {
  std::vector<uint8_t> decoded = DecodedPayload(kSizes);
  PayloadEntry entries[kPayloadEntryCount] = {};
  EXPECT_EQ(IndexPayload(decoded.data(), uint32_t(decoded.size()), entries), PayloadStatus::Ok);

  // One byte short and one byte long at the end of the table.
  for (uint32_t lastSize : {kSizes[10] - 1, kSizes[10] + 1}) {
    std::vector<uint8_t> table = decoded;
    PutU32(&table[12 * 10], lastSize);
    EXPECT_EQ(IndexPayload(table.data(), uint32_t(table.size()), entries), PayloadStatus::Corrupt);
    EXPECT_EQ(entries[0].offset, kPayloadTableSize);
    EXPECT_EQ(entries[10].size, lastSize);
  }
}

TEST(IndexPayload, RefusesSizesThatOnlyAddUpModulo2To32) {
  std::vector<uint8_t> decoded = DecodedPayload(kSizes);
  // Entry 1 grows by 2^32 - 4096 and entry 2 by 4096: the u32 sum of all
  // sizes is unchanged, but entry 1 ends far past the decoded bytes.
  std::vector<uint8_t> table = decoded;
  PutU32(&table[12 * 1], kSizes[1] + 0xFFFFF000u);
  PutU32(&table[12 * 2], kSizes[2] + 0x1000u);
  PayloadEntry entries[kPayloadEntryCount] = {};
  EXPECT_EQ(IndexPayload(table.data(), uint32_t(table.size()), entries), PayloadStatus::Corrupt);
  // The computed values stay for whoever inspects them.
  EXPECT_EQ(entries[1].size, kSizes[1] + 0xFFFFF000u);
  EXPECT_EQ(entries[2].offset, kPayloadTableSize + kSizes[0] + kSizes[1] - 0x1000u);

  // And one entry that alone wraps the sum back to the right total.
  table = decoded;
  PutU32(&table[12 * 10], kSizes[10]);
  PutU32(&table[12 * 9], kSizes[9] + 0x80000000u);
  PutU32(&table[12 * 8], kSizes[8] + 0x80000000u);
  EXPECT_EQ(IndexPayload(table.data(), uint32_t(table.size()), entries), PayloadStatus::Corrupt);

  // With the checksum and length right, the loader must still refuse it.
  std::vector<uint8_t> resource = Compress(table);
  PayloadBuffer payload = {};
  EXPECT_EQ(
      LoadPayloadBytes(resource.data(), uint32_t(resource.size()), ExpectationFor(resource, table), &payload, entries),
      PayloadStatus::Corrupt);
}

TEST(PayloadBuffer, AllocateTwiceReplacesTheBlockWithAZeroedOne) {
  PayloadBuffer payload = {};
  uint8_t* first = payload.Allocate();
  ASSERT_NE(first, nullptr);
  std::memset(first, 0xAB, kPayloadCapacity);
  uint8_t* second = payload.Allocate();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(payload.owned, 1u);
  EXPECT_EQ(payload.capacity, kPayloadCapacity);
  for (uint32_t i = 0; i < kPayloadCapacity; i += 997) ASSERT_EQ(second[i], 0) << i;
  // The first block went back to the heap: LeakSanitizer fails this binary
  // at exit otherwise.
}

TEST(DecoderHeap, RefusesRequestsThatDoNotFit32Bits) {
  EXPECT_EQ(DecoderHeapAlloc(nullptr, 0x10000, 0x10000), nullptr);     // exactly 2^32
  EXPECT_EQ(DecoderHeapAlloc(nullptr, SIZE_MAX / 2 + 1, 2), nullptr);  // wraps size_t
  void* block = DecoderHeapAlloc(nullptr, 16, 64);
  EXPECT_NE(block, nullptr);
  DecoderHeapFree(nullptr, block);
}

}  // namespace
