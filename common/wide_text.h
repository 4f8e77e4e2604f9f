// Bounded composition of UTF-16 text in fixed buffers. Every copy states the
// size of its destination; a text that does not fit leaves it unchanged.
#pragma once

#include <cstddef>

size_t WideLength(const wchar_t* text);

// Copies `source` into `destination` (capacity units, terminator included).
// Returns false, with `destination` unchanged, when it does not fit.
bool WideCopy(wchar_t* destination, size_t capacity, const wchar_t* source);

// Copies the first `count` units of `source` and a terminator; false, with
// `destination` empty, when they do not fit.
bool WideCopyCount(wchar_t* destination, size_t capacity, const wchar_t* source, size_t count);

// Appends `source`; false, with `destination` unchanged, when it does not fit.
bool WideAppend(wchar_t* destination, size_t capacity, const wchar_t* source);
