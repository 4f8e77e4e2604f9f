#include "pack_manifest.h"

#include "pack_files.h"
#include "payload.h"

namespace {

constexpr uint64_t kManifestLimit = 1 << 20;                  // eleven lines need far less
constexpr uint64_t kLargestFileTime = 0x7FFFFFFFFFFFFFFFull;  // Windows refuses larger times

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Decimal digits only, no sign, no overflow.
bool ParseFileTime(const std::string& text, uint64_t* value) {
  if (text == "none") {
    *value = 0;
    return true;
  }
  if (text.empty() || text.size() > 19) return false;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + uint64_t(c - '0');
  }
  if (v > kLargestFileTime) return false;
  *value = v;
  return true;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

bool ParseManifest(const std::string& text, const std::string& name, std::vector<ManifestEntry>* entries,
                   std::string* error) {
  entries->clear();
  std::string folder = FolderOf(name);
  unsigned lineNumber = 0;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();

    std::string where = name + ":" + std::to_string(lineNumber) + ": ";
    if (line.find('\0') != std::string::npos || line.find('\r') != std::string::npos) {
      *error = where + "malformed line: control character in it";
      return false;
    }
    size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) ++first;
    size_t last = line.size();
    while (last > first && IsBlank(line[last - 1])) --last;
    if (first == last || line[first] == '#') continue;

    size_t timeStart = last;
    while (timeStart > first && !IsBlank(line[timeStart - 1])) --timeStart;
    size_t pathEnd = timeStart;
    while (pathEnd > first && IsBlank(line[pathEnd - 1])) --pathEnd;
    if (pathEnd == first) {
      *error = where + "malformed line: expected a path, then a last-write time or 'none'";
      return false;
    }
    std::string timeText = line.substr(timeStart, last - timeStart);
    ManifestEntry entry;
    if (!ParseFileTime(timeText, &entry.lastWrite)) {
      *error = where + "malformed last-write time '" + timeText +
               "': expected 'none' or a decimal FILETIME from 0 to 9223372036854775807";
      return false;
    }
    entry.path = line.substr(first, pathEnd - first);
    if (entry.path[0] != '/') entry.path = folder + entry.path;
    entry.line = lineNumber;
    entries->push_back(entry);
  }
  if (entries->size() != kPayloadEntryCount) {
    *error = name + ": " + std::to_string(entries->size()) + " entries; a payload has exactly " +
             std::to_string(kPayloadEntryCount);
    return false;
  }
  return true;
}

bool ReadManifest(const std::string& path, std::vector<ManifestEntry>* entries, std::string* error) {
  std::vector<uint8_t> bytes;
  uint64_t size = 0;
  std::string why;
  switch (ReadFileBounded(path, kManifestLimit, &bytes, &size, &why)) {
    case ReadResult::Unreadable:
      *error = path + ": cannot read the manifest: " + why;
      return false;
    case ReadResult::TooLarge:
      *error = path + ": manifest of " + FormatCount(size) + " bytes, over the limit of " +
               FormatCount(kManifestLimit) + " bytes";
      return false;
    case ReadResult::Ok:
      break;
  }
  return ParseManifest(std::string(bytes.begin(), bytes.end()), path, entries, error);
}
