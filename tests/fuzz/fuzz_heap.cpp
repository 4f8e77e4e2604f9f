// The heap of the fuzz targets: the payload heap and the global operator
// new, in place of the host's plain malloc and the sanitizer's own.
//
// AddressSanitizer maps every large block afresh, and the page faults of a
// fresh 4 MiB block cost tens of milliseconds on our build machines; the
// loader allocates one such block for every input and inspection another.
// So the last freed large blocks are kept and handed out again for the same
// size. A kept block is poisoned, so a use after free is still reported,
// and it stays a sanitizer heap block, so an overrun is too.
#include <sanitizer/allocator_interface.h>
#include <sanitizer/asan_interface.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "payload_heap.h"

namespace {

constexpr size_t kWorthKeeping = 65536;

struct Kept {
  void* block;
  size_t bytes;
  uint64_t when;  // the oldest kept block makes room for a new one
};
Kept kept[8];
uint64_t frees;

void* Take(size_t bytes) {
  for (Kept& k : kept) {
    if (k.block && k.bytes == bytes) {
      void* block = k.block;
      k.block = nullptr;
      ASAN_UNPOISON_MEMORY_REGION(block, bytes);
      return block;
    }
  }
  void* block = std::malloc(bytes ? bytes : 1);
  if (!block) std::abort();  // the sanitizer reports the failure first
  return block;
}

void Give(void* block) {
  if (!block) return;
  size_t bytes = __sanitizer_get_allocated_size(block);
  if (bytes < kWorthKeeping) {
    std::free(block);
    return;
  }
  Kept* slot = &kept[0];
  for (Kept& k : kept) {
    if (!k.block || (slot->block && k.when < slot->when)) slot = &k;
  }
  if (slot->block) std::free(slot->block);
  ASAN_POISON_MEMORY_REGION(block, bytes);
  *slot = {block, bytes, ++frees};
}

}  // namespace

void* PayloadHeapAlloc(uint32_t bytes) { return Take(bytes); }
void* PayloadHeapAllocZeroed(uint32_t bytes) {
  void* block = Take(bytes);
  if (block) std::memset(block, 0, bytes);  // a kept block holds its last user's bytes
  return block;
}
void PayloadHeapFree(void* block) { Give(block); }

void* operator new(size_t bytes) { return Take(bytes); }
void* operator new[](size_t bytes) { return Take(bytes); }
void* operator new(size_t bytes, const std::nothrow_t&) noexcept { return Take(bytes); }
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept { return Take(bytes); }
void operator delete(void* block) noexcept { Give(block); }
void operator delete[](void* block) noexcept { Give(block); }
void operator delete(void* block, size_t) noexcept { Give(block); }
void operator delete[](void* block, size_t) noexcept { Give(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Give(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Give(block); }
