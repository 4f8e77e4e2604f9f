#include <windows.h>

#include "payload_heap.h"

void* PayloadHeapAlloc(uint32_t bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes); }

void* PayloadHeapAllocZeroed(uint32_t bytes) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes); }

void PayloadHeapFree(void* block) { HeapFree(GetProcessHeap(), 0, block); }
