#include <cstdlib>

#include "payload_heap.h"

void* PayloadHeapAlloc(uint32_t bytes) { return std::malloc(bytes ? bytes : 1); }

void PayloadHeapFree(void* block) { std::free(block); }
