// Helpers the Windows tests share: a published SetupContext, a scratch folder
// that is removed again, and registry keys that are removed again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "setup_context.h"
#include "windows_files.h"

// A value-initialised SetupContext published through g_setup for the test's lifetime.
struct TestContext {
  SetupContext context{};
  explicit TestContext(const Edition& edition = kAllUsersEdition) {
    InitSetupContext(&context, GetModuleHandleW(nullptr), edition);
  }
  ~TestContext() { g_setup = nullptr; }
};

// A fresh folder below the temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  // The folder's path with a trailing backslash, plus `relative`.
  std::wstring Path(const std::wstring& relative = L"") const { return root_ + relative; }
  // Every file and folder below the root, relative, folders with a trailing
  // backslash, sorted.
  std::vector<std::wstring> List() const;

 private:
  std::wstring root_;
};

// Removes an HKLM key tree when the test ends.
class ScopedHklmTree {
 public:
  explicit ScopedHklmTree(const wchar_t* keyPath) : keyPath_(keyPath) { RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyPath_); }
  ~ScopedHklmTree() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyPath_); }

 private:
  const wchar_t* keyPath_;
};
