// Finds the LZMA1 settings that encode a payload smallest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzma_encode.h"

struct LzmaSearchResult {
  LzmaSettings settings;
  std::vector<uint8_t> resource;  // properties block and stream
  uint32_t trials = 0;            // distinct settings encoded
};

// Starts from xz's strongest preset (-9e: lc 3, lp 0, pb 2, nice 273, bt4,
// depth 512) and varies one group at a time: pb; lc with lp; the nice
// length; the match finder; its depth. Each group's best replaces the
// current settings only when it is strictly smaller; rounds repeat while
// one still gains. The dictionary is `dictionarySize` throughout: once it
// holds the whole input, a larger one finds nothing more.
//
// The outcome depends on the input alone: candidates are tried in a fixed
// order, ties go to the earlier, and the encodings of one group run on
// `threads` threads (0: one per core) only to save time. False when no
// setting could be encoded.
bool SearchLzmaSettings(const uint8_t* data, size_t size, uint32_t dictionarySize, unsigned threads,
                        LzmaSearchResult* result);
