// The install steps' writes made for real: program files from the decoded
// payload, folders and shortcuts through the shell, values into the registry.
#pragma once

#include <windows.h>

#include "install_steps.h"
#include "payload.h"

class SystemWrites final : public InstallWrites {
 public:
  // `keyPath` is where each value's key path is composed (kKeyPathUnits);
  // the values go below `root`; every folder created gets `createdFolders`
  // (null: inherited).
  SystemWrites(const PayloadBuffer& payload, wchar_t* keyPath, HKEY root, const SECURITY_ATTRIBUTES* createdFolders)
      : payload_(payload), keyPath_(keyPath), root_(root), createdFolders_(createdFolders) {}

  int CreateDirectoryChain(const wchar_t* folder) override;
  PayloadStatus WriteEntry(const wchar_t* path, const PayloadEntry& entry, const PayloadTime* time) override;
  int32_t CreateShortcut(const wchar_t* target, const wchar_t* shortcut) override;
  int WriteValue(const RegistryRow& row, const void* data, uint32_t bytes) override;

 private:
  const PayloadBuffer& payload_;
  wchar_t* keyPath_;
  HKEY root_;
  const SECURITY_ATTRIBUTES* createdFolders_;
};
