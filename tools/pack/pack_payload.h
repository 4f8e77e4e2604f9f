// Builds the payload resource from the manifest's files: the decoded
// layout (entry table, then the entries back to back), its LZMA1 encoding,
// and the loader's three constants, each checked before anything is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lzma_search.h"
#include "pack_manifest.h"
#include "payload.h"

struct PackedPayload {
  std::vector<uint8_t> decoded;
  std::vector<uint8_t> resource;
  PayloadExpectation constants;
  LzmaSettings settings;  // what the resource was encoded with
  uint32_t trials = 0;    // how many settings the search encoded
};

// Reads the entries' files and lays them out behind the entry table.
// Refuses, with a message naming the file and the limit, a missing or
// unreadable file, a license that the license page could not show whole or
// would show garbled, and a payload over the 4 MiB block.
bool BuildDecodedPayload(const std::vector<ManifestEntry>& entries, std::vector<uint8_t>* decoded, std::string* error);

// The dictionary the resource announces: exactly the decoded length (at
// least liblzma's 4,096 bytes). It reaches every repeat in the payload, and
// the loader's decoder allocates no byte more than that.
uint32_t PackDictionarySize(uint32_t decodedLength);

// Encodes `decoded` with the smallest settings the search finds (same input,
// same bytes), then decodes the result the way the loader does and compares
// it byte for byte. False with a message when anything differs.
bool EncodePayload(const std::vector<uint8_t>& decoded, PackedPayload* packed, std::string* error);

// Both steps for a parsed manifest.
bool PackPayload(const std::vector<ManifestEntry>& entries, PackedPayload* packed, std::string* error);
