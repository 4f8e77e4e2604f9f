// What setup.exe carries, as the packer was given it: each payload entry's
// input file and the last-write time the packer's manifest gives it. Tests
// compare installed files with these, never with what setup.exe's own
// loader makes of its resource, which would agree with any fault of it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct PackedFile {
  std::vector<BYTE> bytes;
  uint64_t lastWrite;  // a FILETIME, 0 for none
};

// Reads the manifest (one line per entry in entry order: a host path, then a
// FILETIME or "none"; '#' starts a comment) and each file it lists, opened
// as `drive` followed by its host path. False when anything cannot be read
// or a line is not of that form.
bool ReadPackerInput(const std::wstring& manifest, const std::wstring& drive, std::vector<PackedFile>* files);
