// DecodePayloadStream over liblzma's raw LZMA1 decoder.
#include <lzma.h>

#include "payload.h"
#include "payload_heap.h"

void* DecoderHeapAlloc(void*, size_t nmemb, size_t size) {
  if (size != 0 && nmemb > SIZE_MAX / size) return nullptr;
  size_t bytes = nmemb * size;
  if (bytes > 0xFFFFFFFFu) return nullptr;
  return PayloadHeapAlloc(uint32_t(bytes));
}

void DecoderHeapFree(void*, void* block) {
  if (block) PayloadHeapFree(block);
}

namespace {

const lzma_allocator kDecoderHeap = {DecoderHeapAlloc, DecoderHeapFree, nullptr};

constexpr uint32_t kMinDictionary = 4096;
constexpr uint8_t kMaxPropertiesByte = 224;  // (4 × 5 + 4) × 9 + 8

void Report(DecodeReport* report, uint32_t consumed, DecodeStop stop) {
  if (report) {
    report->consumed = consumed;
    report->stop = stop;
  }
}

}  // namespace

uint32_t DecodePayloadStream(uint8_t* destination, uint32_t capacity, const uint8_t* source, uint32_t sourceLength,
                             const uint8_t* properties, DecodeReport* report) {
  Report(report, 0, DecodeError);
  if (properties[0] > kMaxPropertiesByte) return 0;
  lzma_options_lzma options = {};
  options.lc = properties[0] % 9;
  options.lp = (properties[0] / 9) % 5;
  options.pb = properties[0] / 45;
  options.dict_size = uint32_t(properties[1]) | uint32_t(properties[2]) << 8 | uint32_t(properties[3]) << 16 |
                      uint32_t(properties[4]) << 24;
  // The decoder allocates the whole dictionary up front, and the properties
  // are input: a forged size would ask for up to 4 GiB. No match can reach
  // further back than the bytes already written, which never exceed the
  // destination, so a dictionary of the destination's size decodes every
  // stream exactly as the announced one would.
  if (options.dict_size > capacity) options.dict_size = capacity;
  if (options.dict_size < kMinDictionary) options.dict_size = kMinDictionary;

  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream stream = LZMA_STREAM_INIT;
  stream.allocator = &kDecoderHeap;
  if (lzma_raw_decoder(&stream, filters) != LZMA_OK) {
    lzma_end(&stream);
    return 0;
  }
  stream.next_in = source;
  stream.avail_in = sourceLength;
  stream.next_out = destination;
  stream.avail_out = capacity;

  lzma_ret result = LZMA_OK;
  while (result == LZMA_OK && stream.avail_out > 0) {
    size_t inBefore = stream.avail_in;
    size_t outBefore = stream.avail_out;
    result = lzma_code(&stream, LZMA_FINISH);
    if (result == LZMA_OK && stream.avail_in == inBefore && stream.avail_out == outBefore) break;
  }
  uint32_t produced = capacity - uint32_t(stream.avail_out);
  uint32_t consumed = sourceLength - uint32_t(stream.avail_in);
  lzma_end(&stream);

  DecodeStop stop = DecodeError;
  if (result == LZMA_STREAM_END) {
    stop = DecodeEndMarker;
  } else if (result == LZMA_OK || result == LZMA_BUF_ERROR) {
    stop = stream.avail_out == 0 ? DecodeDestinationFull : DecodeSourceEnd;
  }
  Report(report, consumed, stop);
  return produced;
}
