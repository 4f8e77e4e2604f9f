#include "lzma_search.h"

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <tuple>

namespace {

constexpr int kMaxRounds = 3;
constexpr uint32_t kMaxLiteralBits = 4;  // lc + lp, liblzma's limit
constexpr uint32_t kNiceLengths[] = {16, 32, 48, 64, 96, 128, 192, 273};
constexpr MatchFinder kFinders[] = {MatchFinder::Bt4, MatchFinder::Bt3, MatchFinder::Bt2, MatchFinder::Hc4,
                                    MatchFinder::Hc3};
constexpr uint32_t kDepths[] = {0, 16, 64, 256, 512, 1024};

using Key = std::tuple<uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, int>;

Key KeyOf(const LzmaSettings& s) { return Key(s.lc, s.lp, s.pb, s.niceLength, s.depth, int(s.matchFinder)); }

struct Trial {
  LzmaSettings settings;
  std::vector<uint8_t> resource;
  bool encoded = false;
};

// Each thread takes the next trial and encodes it in a workspace of its own.
void EncodeAll(const uint8_t* data, size_t size, std::vector<LzmaWorkspace>* workspaces, std::vector<Trial>* trials) {
  std::atomic<size_t> next{0};
  auto work = [&](LzmaWorkspace* workspace) {
    for (size_t i; (i = next.fetch_add(1)) < trials->size();) {
      Trial& t = (*trials)[i];
      t.encoded = EncodeLzma1(data, size, t.settings, &t.resource, workspace);
    }
  };
  std::vector<std::thread> pool;
  for (size_t i = 1; i < workspaces->size() && i < trials->size(); ++i) pool.emplace_back(work, &(*workspaces)[i]);
  work(&(*workspaces)[0]);
  for (std::thread& t : pool) t.join();
}

// The variations of one group around `base`, in the order ties are settled.
std::vector<LzmaSettings> Group(int group, const LzmaSettings& base) {
  std::vector<LzmaSettings> out;
  LzmaSettings s = base;
  switch (group) {
    case 0:
      for (s.pb = 0; s.pb <= 4; ++s.pb) out.push_back(s);
      break;
    case 1:
      for (s.lc = 0; s.lc <= kMaxLiteralBits; ++s.lc) {
        for (s.lp = 0; s.lc + s.lp <= kMaxLiteralBits; ++s.lp) out.push_back(s);
      }
      break;
    case 2:
      for (uint32_t nice : kNiceLengths) {
        s.niceLength = nice;
        out.push_back(s);
      }
      break;
    case 3:
      for (MatchFinder finder : kFinders) {
        s.matchFinder = finder;
        out.push_back(s);
      }
      break;
    default:
      for (uint32_t depth : kDepths) {
        s.depth = depth;
        out.push_back(s);
      }
      break;
  }
  return out;
}

constexpr int kGroups = 5;

}  // namespace

bool SearchLzmaSettings(const uint8_t* data, size_t size, uint32_t dictionarySize, unsigned threads,
                        LzmaSearchResult* result) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  std::vector<LzmaWorkspace> workspaces(threads);
  LzmaSettings start;
  start.dictionarySize = dictionarySize;
  start.depth = 512;
  std::set<Key> tried = {KeyOf(start)};
  result->trials = 1;
  if (!EncodeLzma1(data, size, start, &result->resource, &workspaces[0])) return false;
  result->settings = start;

  for (int round = 0; round < kMaxRounds; ++round) {
    size_t before = result->resource.size();
    for (int group = 0; group < kGroups; ++group) {
      // Settings tried before lost to what is current now, so only new ones run.
      std::vector<Trial> trials;
      for (const LzmaSettings& s : Group(group, result->settings)) {
        if (tried.insert(KeyOf(s)).second) trials.push_back({s, {}, false});
      }
      EncodeAll(data, size, &workspaces, &trials);
      result->trials += uint32_t(trials.size());
      for (Trial& t : trials) {
        if (t.encoded && t.resource.size() < result->resource.size()) {
          result->settings = t.settings;
          result->resource.swap(t.resource);
        }
      }
    }
    if (result->resource.size() == before) break;
  }
  return true;
}
