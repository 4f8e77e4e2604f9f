// The generated header of the loader's three constants, written by
// `payload-pack pack` and read back by `payload-pack inspect --expect`.
#pragma once

#include <string>

#include "payload.h"

// The header's text: #pragma once, <cstdint> and the three constants. It
// holds nothing that varies between runs, so equal inputs give equal bytes.
std::string FormatConstantsHeader(const PayloadExpectation& constants);

// Reads the three constants back from such a header (decimal or 0x hex,
// each exactly once). False with a message naming `name` otherwise.
bool ParseConstantsHeader(const std::string& text, const std::string& name, PayloadExpectation* constants,
                          std::string* error);
