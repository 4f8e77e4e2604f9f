// The manifest that tells payload-pack what goes into the payload.
//
// A text file of exactly 11 entry lines, entry 0 (the license) first:
//
//   PATH  TIME
//
// PATH is the file; TIME, the line's last field, is its last-write time as a
// decimal FILETIME (100-ns intervals since 1601-01-01 UTC, below 2^63) or
// the word `none`. Blanks or tabs separate the two, and since the time is
// always the last field, paths may contain blanks. Leading and trailing
// blanks of a line are ignored, so a path cannot begin or end with one.
// Relative paths are taken from the manifest's folder. Empty lines and lines
// whose first non-blank character is `#` are skipped. Line ends may be LF or
// CRLF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ManifestEntry {
  std::string path;
  uint64_t lastWrite;  // FILETIME, 0 = none
  unsigned line;       // where it was written, for messages
};

// Parses manifest text. `name` is the manifest's path: it prefixes messages
// and its folder anchors relative paths. False with a message naming the
// manifest and the line (or the entry count) on any error.
bool ParseManifest(const std::string& text, const std::string& name, std::vector<ManifestEntry>* entries,
                   std::string* error);

// Reads and parses the manifest file at `path`.
bool ReadManifest(const std::string& path, std::vector<ManifestEntry>* entries, std::string* error);
