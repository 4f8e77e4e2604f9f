// Facts and helpers of the paths the programs compose. Platform neutral.
#pragma once

#include <cstdint>

// A folder field, and every path composed in one, holds this many UTF-16
// units, terminator included: the install folder picked at the longest path
// the folder picker returns, its backslash and the maker's folder fit.
constexpr uint32_t kFolderUnits = 300;

// Windows takes either slash as a separator.
constexpr bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
