// loader-bench SETUP.EXE [RUNS]
// Times LoadPayload on setup.exe's own payload resource, with the objects
// setup.exe is linked from, and measures the private memory it commits on
// the way. Prints "name value" lines for scripts/bench.sh.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

#include "payload_loader.h"

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
    if (LoadPayload(image, &resource, &payload, entries) != Ok) {
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

  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    PayloadResource resource;
    PayloadBuffer payload;  // its block is freed at the end of each run, as at the end of setup.exe
    PayloadEntry entries[kPayloadEntryCount];
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    PayloadStatus status = LoadPayload(image, &resource, &payload, entries);
    QueryPerformanceCounter(&end);
    if (status != Ok) return 1;
    times.push_back(Milliseconds(start, end));
  }
  std::sort(times.begin(), times.end());
  std::printf("load_ms_median %.3f\nload_ms_min %.3f\nruns %d\n", times[times.size() / 2], times[0], runs);
  FreeLibrary(image);
  return 0;
}
