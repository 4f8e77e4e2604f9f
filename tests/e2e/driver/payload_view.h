// What setup.exe carries, as the packer was given it: the expected content
// and last-write time of every installed file. Read from the packer's input
// files, which run-scenario.sh shows on P:, never from setup.exe's own
// resource through its own loader.
#pragma once

#include <windows.h>

#include <vector>

#include "payload.h"

// The entries back to back in `bytes`, each with its offset there, its size
// and the time the manifest gives it: the table the install steps take.
struct PayloadView {
  std::vector<uint8_t> bytes;
  PayloadEntry entries[kPayloadEntryCount] = {};
  const uint8_t* Data(uint32_t entry) const { return bytes.data() + entries[entry].offset; }
};

// False when the manifest or a file it lists cannot be read, or it does not
// list one file per payload entry.
bool ReadPayload(PayloadView* view);
