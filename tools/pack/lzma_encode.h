// Produces payload resources: the 5-byte LZMA1 properties block followed by
// a raw LZMA1 stream closed by its end-of-stream marker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// liblzma's match finders: hash chains or binary trees over 2-, 3- or
// 4-byte hashes.
enum class MatchFinder : uint8_t { Bt4, Bt3, Bt2, Hc4, Hc3 };

struct LzmaSettings {
  uint32_t lc = 3;
  uint32_t lp = 0;
  uint32_t pb = 2;
  uint32_t dictionarySize = 1u << 22;
  uint32_t niceLength = 273;
  uint32_t depth = 0;  // 0: the match finder's default
  MatchFinder matchFinder = MatchFinder::Bt4;
};

// An encoder's working memory, kept from one encoding to the next: its match
// finder takes tens of MiB, and mapping them afresh (and faulting them in)
// costs more than the encoding of a small payload. Used by one thread at a
// time.
struct LzmaWorkspace {
  void* stream = nullptr;  // liblzma's lzma_stream, once used
  LzmaWorkspace() = default;
  LzmaWorkspace(const LzmaWorkspace&) = delete;
  LzmaWorkspace& operator=(const LzmaWorkspace&) = delete;
  ~LzmaWorkspace();
};

// Encodes `size` bytes, in `workspace` when one is given; false when
// liblzma refuses the settings or fails.
bool EncodeLzma1(const uint8_t* data, size_t size, const LzmaSettings& settings, std::vector<uint8_t>* resource,
                 LzmaWorkspace* workspace = nullptr);

// "lc 3, lp 0, pb 2, nice 273, bt4, depth auto", for messages.
std::string DescribeSettings(const LzmaSettings& settings);
