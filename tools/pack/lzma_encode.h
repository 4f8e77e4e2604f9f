// Produces payload resources: the 5-byte LZMA1 properties block followed by
// a raw LZMA1 stream closed by its end-of-stream marker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct LzmaSettings {
  uint32_t lc = 3;
  uint32_t lp = 0;
  uint32_t pb = 2;
  uint32_t dictionarySize = 1u << 22;
  uint32_t niceLength = 273;
  uint32_t depth = 0;  // 0: the match finder's default
  bool binaryTree = true;  // bt4 when set, hc4 otherwise
};

// Encodes `size` bytes; false when liblzma refuses the settings or fails.
bool EncodeLzma1(const uint8_t* data, size_t size, const LzmaSettings& settings, std::vector<uint8_t>* resource);
