// What the payload resource setup.exe carries must be, as the build packed
// it: the loader checks the resource it finds against these facts.
#pragma once

#include "payload.h"

extern const PayloadExpectation kCarriedPayload;
