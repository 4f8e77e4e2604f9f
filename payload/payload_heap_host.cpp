#include <cstdlib>

#include "payload_heap.h"

void* PayloadHeapAlloc(uint32_t bytes) { return std::malloc(bytes ? bytes : 1); }

void* PayloadHeapAllocZeroed(uint32_t bytes) { return std::calloc(bytes ? bytes : 1, 1); }

void PayloadHeapFree(void* block) { std::free(block); }
