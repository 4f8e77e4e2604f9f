// The install steps' writes made for real: program files from the decoded
// payload, folders and shortcuts through the shell, values into the registry,
// each as the edition's rule of trust says.
#pragma once

#include <windows.h>

#include "edition.h"
#include "install_steps.h"
#include "payload.h"
#include "trust.h"

class SystemWrites final : public InstallWrites {
 public:
  // `keyPath` is where each value's key path is composed (kKeyPathUnits);
  // the values go below the edition's root.
  SystemWrites(const PayloadBuffer& payload, wchar_t* keyPath, const Edition& edition);

  int CreateDirectoryChain(const wchar_t* folder) override;
  PayloadStatus WriteEntry(const wchar_t* path, const PayloadEntry& entry, const PayloadTime* time) override;
  int32_t CreateShortcut(const wchar_t* target, const wchar_t* shortcut) override;
  int WriteValue(const RegistryRow& row, const void* data, uint32_t bytes) override;
  void AnnounceAssociations() override;

 private:
  const PayloadBuffer& payload_;
  wchar_t* keyPath_;
  HKEY root_;
  WriteRule rule_;
};
