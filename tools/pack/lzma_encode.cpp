#include "lzma_encode.h"

#include <lzma.h>

bool EncodeLzma1(const uint8_t* data, size_t size, const LzmaSettings& settings, std::vector<uint8_t>* resource) {
  lzma_options_lzma options = {};
  if (lzma_lzma_preset(&options, 9 | LZMA_PRESET_EXTREME)) return false;
  options.lc = settings.lc;
  options.lp = settings.lp;
  options.pb = settings.pb;
  options.dict_size = settings.dictionarySize;
  options.nice_len = settings.niceLength;
  options.depth = settings.depth;
  options.mf = settings.binaryTree ? LZMA_MF_BT4 : LZMA_MF_HC4;
  options.mode = LZMA_MODE_NORMAL;

  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_raw_encoder(&stream, filters) != LZMA_OK) return false;

  resource->assign(5, 0);
  (*resource)[0] = uint8_t((settings.pb * 5 + settings.lp) * 9 + settings.lc);
  for (int i = 0; i < 4; ++i) (*resource)[1 + i] = uint8_t(settings.dictionarySize >> (8 * i));

  stream.next_in = data;
  stream.avail_in = size;
  uint8_t chunk[1 << 16];
  lzma_ret result;
  do {
    stream.next_out = chunk;
    stream.avail_out = sizeof chunk;
    result = lzma_code(&stream, LZMA_FINISH);
    resource->insert(resource->end(), chunk, chunk + (sizeof chunk - stream.avail_out));
  } while (result == LZMA_OK);
  lzma_end(&stream);
  return result == LZMA_STREAM_END;
}
