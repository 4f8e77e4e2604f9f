// decode-floor RESOURCE [RUNS]
// The floor for setup.exe's start-up: liblzma alone decoding a payload
// resource (properties block and stream, as cut out of setup.exe) natively.
// Each run starts from memory fresh from the system, as the one load in a
// new setup.exe process does: the output block and liblzma's dictionary are
// mapped anew and faulted in by the decoding. Then as many runs again in
// memory that stays in the process from run to run, so that the decoding
// itself shows. Prints "name value" lines for scripts/bench.sh: the times of
// every run, in milliseconds, as decode_ms and warm_decode_ms.
#include <lzma.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "payload.h"

namespace {

uint32_t Decode(const uint8_t* resource, uint32_t size, uint8_t* out, uint32_t capacity) {
  lzma_options_lzma options = {};
  options.lc = resource[0] % 9;
  options.lp = resource[0] / 9 % 5;
  options.pb = resource[0] / 45;
  options.dict_size =
      uint32_t(resource[1]) | uint32_t(resource[2]) << 8 | uint32_t(resource[3]) << 16 | uint32_t(resource[4]) << 24;
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_raw_decoder(&stream, filters) != LZMA_OK) return 0;
  stream.next_in = resource + kPayloadPropertiesSize;
  stream.avail_in = size - kPayloadPropertiesSize;
  stream.next_out = out;
  stream.avail_out = capacity;
  while (lzma_code(&stream, LZMA_FINISH) == LZMA_OK && stream.avail_out > 0) {
  }
  uint32_t produced = capacity - uint32_t(stream.avail_out);
  lzma_end(&stream);
  return produced;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: decode-floor RESOURCE [RUNS]\n");
    return 2;
  }
  int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
  std::vector<uint8_t> resource;
  if (FILE* file = std::fopen(argv[1], "rb")) {
    uint8_t chunk[1 << 16];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) resource.insert(resource.end(), chunk, chunk + got);
    std::fclose(file);
  }
  if (resource.size() <= kPayloadPropertiesSize || resource.size() > 0xFFFFFFFFu) {
    std::fprintf(stderr, "decode-floor: %s is no payload resource\n", argv[1]);
    return 2;
  }
  // Blocks this large come straight from mmap and go back on free, rather
  // than being kept warm for the next run.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  uint32_t produced = 0;
  std::printf("decode_ms");
  for (int i = 0; i < runs; ++i) {
    uint8_t* out = static_cast<uint8_t*>(std::calloc(kPayloadCapacity, 1));
    if (!out) return 1;
    auto start = std::chrono::steady_clock::now();
    produced = Decode(resource.data(), uint32_t(resource.size()), out, kPayloadCapacity);
    auto end = std::chrono::steady_clock::now();
    std::free(out);
    std::printf(" %.3f", std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::printf("\ndecoded_bytes %u\n", produced);

  // Now every block stays in the heap when freed, and the next run gets it
  // back with its pages in memory; one run first leaves them there.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  uint8_t* out = static_cast<uint8_t*>(std::calloc(kPayloadCapacity, 1));
  if (!out) return 1;
  std::printf("warm_decode_ms");
  for (int i = -1; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    Decode(resource.data(), uint32_t(resource.size()), out, kPayloadCapacity);
    auto end = std::chrono::steady_clock::now();
    if (i >= 0) std::printf(" %.3f", std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::printf("\n");
  std::free(out);
  return 0;
}
