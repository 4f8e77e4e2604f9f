#include "lzma_encode.h"

#include <lzma.h>

namespace {

lzma_match_finder ToLiblzma(MatchFinder finder) {
  switch (finder) {
    case MatchFinder::Bt4:
      return LZMA_MF_BT4;
    case MatchFinder::Bt3:
      return LZMA_MF_BT3;
    case MatchFinder::Bt2:
      return LZMA_MF_BT2;
    case MatchFinder::Hc4:
      return LZMA_MF_HC4;
    case MatchFinder::Hc3:
      return LZMA_MF_HC3;
  }
  return LZMA_MF_BT4;
}

}  // namespace

LzmaWorkspace::~LzmaWorkspace() {
  if (!stream) return;
  lzma_end(static_cast<lzma_stream*>(stream));
  delete static_cast<lzma_stream*>(stream);
}

bool EncodeLzma1(const uint8_t* data, size_t size, const LzmaSettings& settings, std::vector<uint8_t>* resource,
                 LzmaWorkspace* workspace) {
  lzma_options_lzma options = {};
  if (lzma_lzma_preset(&options, 9 | LZMA_PRESET_EXTREME)) return false;
  options.lc = settings.lc;
  options.lp = settings.lp;
  options.pb = settings.pb;
  options.dict_size = settings.dictionarySize;
  options.nice_len = settings.niceLength;
  options.depth = settings.depth;
  options.mf = ToLiblzma(settings.matchFinder);
  options.mode = LZMA_MODE_NORMAL;

  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  // liblzma keeps a stream's buffers when it is set up again for settings
  // that need the same sizes.
  lzma_stream local = LZMA_STREAM_INIT;
  if (workspace && !workspace->stream) workspace->stream = new lzma_stream(LZMA_STREAM_INIT);
  lzma_stream& stream = workspace ? *static_cast<lzma_stream*>(workspace->stream) : local;
  if (lzma_raw_encoder(&stream, filters) != LZMA_OK) {
    if (!workspace) lzma_end(&local);
    return false;
  }

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
  if (!workspace) lzma_end(&local);
  return result == LZMA_STREAM_END;
}

std::string DescribeSettings(const LzmaSettings& settings) {
  static const char* const kFinders[] = {"bt4", "bt3", "bt2", "hc4", "hc3"};
  return "lc " + std::to_string(settings.lc) + ", lp " + std::to_string(settings.lp) + ", pb " +
         std::to_string(settings.pb) + ", nice " + std::to_string(settings.niceLength) + ", " +
         kFinders[int(settings.matchFinder)] + ", depth " +
         (settings.depth ? std::to_string(settings.depth) : std::string("auto"));
}
