// Finds the payload resource in a module's image, decodes and verifies it,
// and indexes its entries.
#pragma once

#include <windows.h>

#include "payload.h"

// The payload resource as locked in the loaded image: read in place, valid
// while the module stays loaded.
struct PayloadResource {
  const uint8_t* bytes;
  uint32_t size;
};

// Fills `resource` (null bytes when there is none), decodes into `payload`
// and indexes into `entries` (kPayloadEntryCount), checking the resource
// against what the program that carries it expects. Returns Ok, or
// ResourceMissing, OutOfMemory or Corrupt.
PayloadStatus LoadPayload(HINSTANCE module, const PayloadExpectation& expected, PayloadResource* resource,
                          PayloadBuffer* payload, PayloadEntry* entries);
