// The payload container: the compressed resource that carries the license
// text and everything the setup program installs, and the decoded block it
// unpacks into. This header is platform neutral: the packing tool on the
// build machine and the loader in setup.exe share it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "payload_resource.h"

// Results of loading the payload and of writing one entry; callers only
// tell Ok from the rest.
enum class PayloadStatus : int {
  Ok = 0,
  ResourceMissing = 4,
  OutOfMemory = 7,
  CannotCreateFile = 16,
  WriteFailed = 17,
  Corrupt = 21,
};

constexpr uint32_t kPayloadResourceId = IDR_PAYLOAD;  // RT_RCDATA
constexpr uint32_t kPayloadEntryCount = 11;
constexpr uint32_t kPayloadRecordSize = 12;
constexpr uint32_t kPayloadTableSize = kPayloadEntryCount * kPayloadRecordSize;  // 132
constexpr uint32_t kPayloadCapacity = 4194304;                                   // the one decode block
constexpr uint32_t kPayloadPropertiesSize = 5;  // lc/lp/pb byte, then the dictionary size
constexpr uint32_t kLicenseEntry = 0;
constexpr uint32_t kLicenseLimit = 511;  // what the license page can show

// A FILETIME as two 32-bit halves, 0 meaning none. Laid out exactly like the
// platform's FILETIME, so the Windows side hands its address on as one.
struct PayloadTime {
  uint32_t lowDateTime;
  uint32_t highDateTime;
};

struct PayloadEntry {
  uint32_t offset;  // position in the decoded payload
  uint32_t size;
  PayloadTime lastWrite;
};

// Owns the 4 MiB block the payload decodes into. Starts empty (all zero);
// the block goes back to the heap when the buffer ends.
struct WriteRule;  // trust.h

struct PayloadBuffer {
  uint8_t* data = nullptr;
  uint32_t owned = 0;
  uint32_t capacity = 0;

  PayloadBuffer() = default;
  PayloadBuffer(const PayloadBuffer&) = delete;  // one owner per block
  PayloadBuffer& operator=(const PayloadBuffer&) = delete;

  // Frees an owned block first, then allocates a zero-filled block of
  // kPayloadCapacity bytes. Returns it, or null (and no block) on failure.
  uint8_t* Allocate();

  // Writes `size` bytes at `offset` into a new or emptied file at `path`,
  // opened and protected as `rule` says, and stamps it with `time` unless
  // that is null. Returns Ok, CannotCreateFile (bad arguments; the file
  // cannot be opened, is reached through a link `rule` does not follow, is
  // a link or has another hard link; or it cannot be protected) or
  // WriteFailed. Windows only.
  PayloadStatus WriteEntryToFile(const wchar_t* path, uint32_t offset, uint32_t size, const PayloadTime* time,
                                 const WriteRule& rule) const;

  ~PayloadBuffer();
};

// The three facts the loader checks the decoded payload against; the build
// generates them with the resource.
struct PayloadExpectation {
  uint32_t resourceSize;
  uint32_t decodedLength;
  uint32_t checksum;
};

// Rotate-left-by-one running sum over the bytes. Each step can be undone, so
// any single changed byte changes the result.
uint32_t PayloadChecksum(const uint8_t* data, uint32_t length);

// Why decoding stopped; the loader itself only looks at the length produced.
enum DecodeStop : int {
  DecodeEndMarker,  // the stream's end-of-stream marker
  DecodeSourceEnd,  // the source ran out first
  DecodeDestinationFull,
  DecodeError,  // bad properties, bad data, or memory short
};

struct DecodeReport {
  uint32_t consumed;
  DecodeStop stop;
};

// Decodes a raw LZMA1 stream with the given 5-byte properties block straight
// into `destination`, stopping at the end marker, the end of the source or a
// full destination. The dictionary is held to between 4 KiB and `capacity`,
// whatever the properties announce. Returns the number of bytes produced (0
// for a properties byte of 225 or more). `report` may be null.
uint32_t DecodePayloadStream(uint8_t* destination, uint32_t capacity, const uint8_t* source, uint32_t sourceLength,
                             const uint8_t* properties, DecodeReport* report);

// Fills `entries` from the table at the start of a decoded payload. Offsets
// are summed without wrapping: Corrupt when an entry ends past
// `decodedLength` or the last one does not end exactly there. `entries`
// holds the computed values either way.
PayloadStatus IndexPayload(const uint8_t* decoded, uint32_t decodedLength, PayloadEntry* entries);

// Everything LoadPayload does once it holds the resource bytes: size check,
// allocation, decode, length, checksum and index, in that order.
PayloadStatus LoadPayloadBytes(const uint8_t* resource, uint32_t resourceSize, const PayloadExpectation& expected,
                               PayloadBuffer* payload, PayloadEntry* entries);
