// Finds the payload resource in the program's own image, decodes and
// verifies it, and indexes its entries into the setup context.
#pragma once

#include "payload.h"

struct SetupContext;

// Returns Ok, or ResourceMissing, OutOfMemory or PayloadCorrupt.
PayloadStatus LoadPayload(SetupContext* context);
