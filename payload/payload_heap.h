// The general-purpose heap the payload block and the decoder's tables come
// from: the process heap in setup.exe, malloc on the build machine.
#pragma once

#include <cstddef>
#include <cstdint>

// Returns null when the heap cannot satisfy the request.
void* PayloadHeapAlloc(uint32_t bytes);
// The same, zero-filled. The heap hands out a large block as fresh pages
// that are zero already, so none of them is touched before it is used.
void* PayloadHeapAllocZeroed(uint32_t bytes);
void PayloadHeapFree(void* block);

// liblzma's allocation hook: computes nmemb × size without wrapping and
// refuses (null) anything above 0xFFFFFFFF bytes rather than shorten it.
void* DecoderHeapAlloc(void* opaque, size_t nmemb, size_t size);
void DecoderHeapFree(void* opaque, void* block);
