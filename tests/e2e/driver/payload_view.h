// What setup.exe carries, read from its own payload resource: the expected
// content and last-write time of every installed file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "payload.h"

struct PayloadView {
  std::vector<uint8_t> decoded;
  PayloadEntry entries[kPayloadEntryCount] = {};
};

// False when the resource cannot be found or does not decode and index.
bool ReadPayload(const std::wstring& setupPath, PayloadView* view);
