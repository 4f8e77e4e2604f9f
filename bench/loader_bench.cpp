// loader-bench SETUP.EXE [RUNS]
// Times LoadPayload on setup.exe's own payload resource, with the objects
// setup.exe is linked from, and measures the private memory it commits on
// the way. Prints "name value" lines for scripts/bench.sh; the times of
// every run, in milliseconds, on one line each:
//   load_ms      each run from memory fresh from the system, as the one load
//                of a new setup.exe process does;
//   warm_load_ms each run in the memory the run before used and freed, so the
//                decoding itself shows, and not the system's first touch of
//                the pages.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <utility>

#include "carried_payload.h"
#include "payload_heap.h"
#include "payload_loader.h"

// The heap LoadPayload takes its blocks from: the process heap, as in
// setup.exe, whose objects these calls replace. In warm runs a freed block
// is kept and handed out again to the next request of its size, with its
// pages still in memory; a kept block is not zeroed again.
namespace {
bool g_warm = false;
struct KeptBlock {
  void* block;
  SIZE_T bytes;
} g_kept[8];
}  // namespace

void* PayloadHeapAlloc(uint32_t bytes) {
  for (KeptBlock& kept : g_kept) {
    if (kept.block && kept.bytes == bytes) return std::exchange(kept.block, nullptr);
  }
  return HeapAlloc(GetProcessHeap(), 0, bytes);
}

void* PayloadHeapAllocZeroed(uint32_t bytes) {
  if (g_warm) return PayloadHeapAlloc(bytes);
  return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
}

void PayloadHeapFree(void* block) {
  if (g_warm) {
    for (KeptBlock& kept : g_kept) {
      if (!kept.block) {
        kept = {block, HeapSize(GetProcessHeap(), 0, block)};
        return;
      }
    }
  }
  HeapFree(GetProcessHeap(), 0, block);
}

namespace {

// Committed private memory of this process: what Windows counts as its
// private bytes, summed over the address space as the system reports it.
size_t CommittedPrivateBytes() {
  size_t sum = 0;
  const char* address = nullptr;
  MEMORY_BASIC_INFORMATION region;
  while (VirtualQuery(address, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) sum += region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return sum;
}

struct Sampler {
  std::atomic<bool> stop{false};
  std::atomic<size_t> peak{0};
};

DWORD WINAPI SampleMemory(void* parameter) {
  Sampler* sampler = static_cast<Sampler*>(parameter);
  while (!sampler->stop.load()) {
    size_t now = CommittedPrivateBytes();
    if (now > sampler->peak.load()) sampler->peak.store(now);
  }
  return 0;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: loader-bench SETUP.EXE [RUNS]\n");
    return 2;
  }
  int runs = argc > 2 ? _wtoi(argv[2]) : 30;
  if (runs < 1) runs = 1;
  // The image's resources as the loader sees its own: mapped as an image,
  // so LockResource hands out a pointer into the mapped file.
  HMODULE image = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!image) {
    std::fprintf(stderr, "loader-bench: cannot map %ls\n", argv[1]);
    return 2;
  }

  // Wine's own share is what a process holds with setup.exe's DLLs loaded
  // and nothing decoded; the loader's objects alone would load fewer of them.
  for (const wchar_t* dll :
       {L"advapi32.dll", L"comctl32.dll", L"gdi32.dll", L"ole32.dll", L"shell32.dll", L"user32.dll"}) {
    if (!LoadLibraryW(dll)) {
      std::fprintf(stderr, "loader-bench: cannot load %ls\n", dll);
      return 2;
    }
  }

  // Memory first, in a process that has not decoded anything yet: a second
  // thread samples the committed private bytes while one load runs.
  size_t before = CommittedPrivateBytes();
  size_t held = 0;
  Sampler sampler;
  sampler.peak = before;
  HANDLE thread = CreateThread(nullptr, 0, SampleMemory, &sampler, 0, nullptr);
  size_t withSampler = CommittedPrivateBytes();  // the sampler's own stack is not the loader's
  {
    PayloadResource resource;
    PayloadBuffer payload;
    PayloadEntry entries[kPayloadEntryCount];
    if (LoadPayload(image, kCarriedPayload, &resource, &payload, entries) != PayloadStatus::Ok) {
      std::fprintf(stderr, "loader-bench: LoadPayload failed on %ls\n", argv[1]);
      return 1;
    }
    held = CommittedPrivateBytes();
  }
  sampler.stop = true;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  std::printf("memory_before %zu\n", before);
  std::printf("memory_peak_added %zu\n", sampler.peak.load() > withSampler ? sampler.peak.load() - withSampler : 0);
  std::printf("memory_held_added %zu\n", held > withSampler ? held - withSampler : 0);

  for (bool warm : {false, true}) {
    g_warm = warm;
    std::printf(warm ? "warm_load_ms" : "load_ms");
    // A warm series starts with a run of its own that leaves its blocks behind.
    for (int i = warm ? -1 : 0; i < runs; ++i) {
      PayloadResource resource;
      PayloadBuffer payload;  // its block is freed at the end of each run, as at the end of setup.exe
      PayloadEntry entries[kPayloadEntryCount];
      LARGE_INTEGER start, end;
      QueryPerformanceCounter(&start);
      PayloadStatus status = LoadPayload(image, kCarriedPayload, &resource, &payload, entries);
      QueryPerformanceCounter(&end);
      if (status != PayloadStatus::Ok) return 1;
      if (i >= 0) std::printf(" %.3f", Milliseconds(start, end));
    }
    std::printf("\n");
  }
  FreeLibrary(image);
  return 0;
}
