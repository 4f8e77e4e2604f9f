// File access for the build-time tools: bounded reads, so a wrong path can
// never make a tool swallow a huge file, and atomic writes, so a failed run
// never leaves a half-written output that a later build takes as good.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class ReadResult { Ok, Unreadable, TooLarge };

// Reads the whole file at `path` if it holds at most `limit` bytes. On
// Unreadable, `error` says why; on TooLarge, `bytes` holds `limit` + 1 bytes
// and `size` the file's size when the file system knows it (else limit + 1).
ReadResult ReadFileBounded(const std::string& path, uint64_t limit, std::vector<uint8_t>* bytes, uint64_t* size,
                           std::string* error);

struct OutputFile {
  std::string path;
  const std::vector<uint8_t>* bytes;
};

// Writes every file to a temporary name in its own folder, then renames them
// into place. If anything fails, no output has changed, except when a rename
// fails half way; then the outputs already renamed are removed, so no stale
// mix of old and new remains. False with a message in `error` on failure.
bool WriteFilesAtomically(const std::vector<OutputFile>& files, std::string* error);

// Copies `in` to `out` with zeros appended up to exactly `size` bytes, for
// an entry whose size is fixed while its content is built. Refuses a file
// already larger, with a message naming `name`, its size and the limit.
bool PadFile(const std::string& in, const std::string& out, uint64_t size, const std::string& name, std::string* error);

// "2,563,195": the sizes in messages are read by people.
std::string FormatCount(uint64_t value);
