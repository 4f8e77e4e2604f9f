// Move-only owners of what the programs open: a kernel handle, a registry
// key, a COM interface and a block of the COM task allocator. Each releases
// what it holds when it ends, so no path out of a function can leak one, and
// none can be copied, so nothing is released twice.
#pragma once

#include <windows.h>
#include <objbase.h>

// One owner for every kind: `Traits` says when a value is held and how it is
// released. Put() hands an open or create function the place for its result
// (releasing what was held); Release() gives the value up without releasing it.
template <typename T, typename Traits>
class Owner {
 public:
  Owner() = default;
  explicit Owner(T value) : value_(value) {}
  Owner(Owner&& other) : value_(other.Release()) {}
  Owner& operator=(Owner&& other) {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  ~Owner() { Reset(); }

  bool Valid() const { return Traits::Valid(value_); }
  T Get() const { return value_; }
  T operator->() const { return value_; }
  T* Put() {
    Reset();
    return &value_;
  }
  T Release() {
    T value = value_;
    value_ = T();
    return value;
  }
  void Reset(T value = T()) {
    if (Traits::Valid(value_)) Traits::Free(value_);
    value_ = value;
  }

 private:
  T value_ = T();
};

// Null and INVALID_HANDLE_VALUE both mean "none": files report failure with
// the one, processes with the other.
struct HandleTraits {
  static bool Valid(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }
  static void Free(HANDLE handle) { CloseHandle(handle); }
};
using UniqueHandle = Owner<HANDLE, HandleTraits>;

struct RegistryKeyTraits {
  static bool Valid(HKEY key) { return key != nullptr; }
  static void Free(HKEY key) { RegCloseKey(key); }
};
using RegistryKey = Owner<HKEY, RegistryKeyTraits>;

// A COM interface, used with IID_PPV_ARGS:
//   ComPtr<IShellLinkW> link;
//   CoCreateInstance(..., IID_PPV_ARGS(link.Put()));
struct ComTraits {
  static bool Valid(IUnknown* pointer) { return pointer != nullptr; }
  static void Free(IUnknown* pointer) { pointer->Release(); }
};
template <typename Interface>
using ComPtr = Owner<Interface*, ComTraits>;

// A block the system allocated with LocalAlloc (a security descriptor it
// made or read).
struct LocalMemoryTraits {
  static bool Valid(void* block) { return block != nullptr; }
  static void Free(void* block) { LocalFree(block); }
};
using LocalMemory = Owner<void*, LocalMemoryTraits>;

// A block the system allocated with the COM task allocator (a folder path
// from SHGetKnownFolderPath, an item ID list from the folder picker).
struct TaskMemoryTraits {
  static bool Valid(void* block) { return block != nullptr; }
  static void Free(void* block) { CoTaskMemFree(block); }
};
template <typename T>
using TaskMemory = Owner<T*, TaskMemoryTraits>;
