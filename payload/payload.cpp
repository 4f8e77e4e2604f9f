#include "payload.h"

#include <cstring>

#include "payload_heap.h"

uint8_t* PayloadBuffer::Allocate() {
  if (owned) {
    if (data) {
      PayloadHeapFree(data);
      data = nullptr;
      capacity = 0;
    }
    owned = 0;
  }
  // Zero-filled by the heap rather than by a pass over it: the decoder then
  // is the first to touch the pages it writes, and the rest stay untouched.
  data = static_cast<uint8_t*>(PayloadHeapAllocZeroed(kPayloadCapacity));
  if (!data) return nullptr;
  owned = 1;
  capacity = kPayloadCapacity;
  return data;
}

PayloadBuffer::~PayloadBuffer() {
  if (owned && data) PayloadHeapFree(data);
}

static uint32_t RotateLeftByOne(uint32_t s) { return (s << 1) | (s >> 31); }

static uint64_t ReadU64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

uint32_t PayloadChecksum(const uint8_t* data, uint32_t length) {
  // A zero byte adds nothing and only rotates the sum by one bit, so 32 zero
  // bytes leave it exactly as it was. The payload is mostly zeros (programs
  // padded to their entries), and skipping such blocks makes this pass ten
  // times faster; every other byte goes into the sum one at a time.
  uint32_t s = 0;
  uint32_t i = 0;
  for (; length - i >= 32; i += 32) {
    const uint8_t* block = data + i;
    if ((ReadU64(block) | ReadU64(block + 8) | ReadU64(block + 16) | ReadU64(block + 24)) == 0) continue;
    for (uint32_t k = 0; k < 32; ++k) s = RotateLeftByOne(s + block[k]);
  }
  for (; i < length; ++i) s = RotateLeftByOne(s + data[i]);
  return s;
}

static uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

PayloadStatus IndexPayload(const uint8_t* decoded, uint32_t decodedLength, PayloadEntry* entries) {
  uint64_t end = kPayloadTableSize;
  bool inside = true;
  for (uint32_t i = 0; i < kPayloadEntryCount; ++i) {
    const uint8_t* record = decoded + kPayloadRecordSize * i;
    entries[i].offset = uint32_t(end);
    entries[i].size = ReadU32(record);
    entries[i].lastWrite.lowDateTime = ReadU32(record + 4);
    entries[i].lastWrite.highDateTime = ReadU32(record + 8);
    end += entries[i].size;
    if (end > decodedLength) inside = false;
  }
  return inside && end == decodedLength ? PayloadStatus::Ok : PayloadStatus::Corrupt;
}

PayloadStatus LoadPayloadBytes(const uint8_t* resource, uint32_t resourceSize, const PayloadExpectation& expected,
                               PayloadBuffer* payload, PayloadEntry* entries) {
  if (resourceSize != expected.resourceSize || resourceSize < kPayloadPropertiesSize)
    return PayloadStatus::ResourceMissing;
  if (!payload->Allocate()) return PayloadStatus::OutOfMemory;
  uint32_t produced = DecodePayloadStream(payload->data, payload->capacity, resource + kPayloadPropertiesSize,
                                          resourceSize - kPayloadPropertiesSize, resource, nullptr);
  // The table is read from the decoded bytes, so a length below the table
  // can never pass: the expected length always covers it.
  if (produced != expected.decodedLength || produced < kPayloadTableSize) return PayloadStatus::Corrupt;
  if (PayloadChecksum(payload->data, produced) != expected.checksum) return PayloadStatus::Corrupt;
  return IndexPayload(payload->data, produced, entries);
}
