// Looks inside a built installer (or a bare payload resource) and says
// whether its payload would load: the stream decodes to its end marker
// exactly at the end of the resource, and the entry table indexes the
// decoded bytes. Safe on arbitrary bytes: every read is bounds-checked and
// no allocation depends on a size read from the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "payload.h"

struct PayloadReport {
  std::string where;          // which bytes were inspected
  bool hasResource = false;   // a resource was found and its bytes examined
  bool foundInImage = false;  // the resource lies in a PE image, at resourceOffset
  uint64_t resourceOffset = 0;
  uint32_t resourceSize = 0;
  bool hasProperties = false;
  uint8_t propertiesByte = 0;
  uint32_t dictionarySize = 0;
  bool decoded = false;  // the decode ran; the fields below are valid
  uint32_t decodedLength = 0;
  uint32_t checksum = 0;
  bool hasTable = false;  // at least the 132-byte table was decoded
  PayloadEntry entries[kPayloadEntryCount] = {};
  std::vector<std::string> problems;  // empty when the payload is sound

  bool Ok() const { return problems.empty(); }
};

// Decodes and verifies a payload resource; with `expected`, also compares it
// with the loader's constants. `decodedBytes`, when given, receives what the
// stream decoded to.
void VerifyPayloadResource(const uint8_t* resource, uint32_t size, const PayloadExpectation* expected,
                           PayloadReport* report, std::vector<uint8_t>* decodedBytes);

// The whole inspection of a file's bytes: RT_RCDATA 102 of a PE image, or
// the bytes themselves when they are not an MZ executable. `decodedBytes`,
// when given, receives what the stream decoded to (nothing when no
// resource was found).
PayloadReport InspectPayloadFile(const uint8_t* file, size_t size, const PayloadExpectation* expected,
                                 std::vector<uint8_t>* decodedBytes = nullptr);

// What `payload-pack inspect` prints, ending with the verdict line.
std::string FormatPayloadReport(const PayloadReport& report);

// The same report for scripts (`inspect --format=kv`): one "key value" line
// per fact, numbers in plain decimal, the checksum as 0x and eight hex
// digits. A key is left out when the inspection did not get that far:
//   resource_offset N     file offset of the resource (only inside a PE image)
//   resource_size N       properties_byte N     dictionary_size N
//   entry_I_offset N      entry_I_size N        entry_I_time N  (FILETIME, 0: none)
//   decoded_length N      checksum 0xXXXXXXXX
//   problem TEXT          one line per fault found
//   verdict ok|damaged    always, and always last
std::string FormatPayloadReportKv(const PayloadReport& report);

// "2023-08-14 09:30:00 UTC" for a FILETIME; "none" for 0.
std::string FormatFileTime(uint64_t fileTime);
