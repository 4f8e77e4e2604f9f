#include "system_writes.h"

#include <shlobj.h>

#include "file_security.h"
#include "registry.h"
#include "shell_files.h"
#include "system_places_win.h"

SystemWrites::SystemWrites(const PayloadBuffer& payload, wchar_t* keyPath, const Edition& edition)
    : payload_(payload), keyPath_(keyPath), root_(RegistryRootKey(edition.root)), rule_(WriteRuleOf(edition)) {}

int SystemWrites::CreateDirectoryChain(const wchar_t* folder) {
  // Folders made for all users are protected from the start.
  LocalMemory descriptor;
  SECURITY_ATTRIBUTES created = {sizeof created, nullptr, FALSE};
  if (rule_.protect) {
    if (!MakeDescriptor(Protection::InstallFolder, &descriptor)) return 0;
    created.lpSecurityDescriptor = descriptor.Get();
  }
  return ::CreateDirectoryChain(folder, rule_.protect ? &created : nullptr, rule_.links);
}

PayloadStatus SystemWrites::WriteEntry(const wchar_t* path, const PayloadEntry& entry, const PayloadTime* time) {
  // The folder a program goes into may have been there before, with
  // whatever permissions its maker gave it.
  if (rule_.protect && !SecureFolderOf(path, rule_.links)) return PayloadStatus::CannotCreateFile;
  return payload_.WriteEntryToFile(path, entry.offset, entry.size, time, rule_);
}

int32_t SystemWrites::CreateShortcut(const wchar_t* target, const wchar_t* shortcut) {
  // The shell writes a link by its path: the place is checked first.
  if (!IsTrustedPlace(shortcut, rule_.links)) return int32_t(HRESULT_FROM_WIN32(kReachedThroughLink));
  return ::CreateShortcut(target, shortcut);
}

int SystemWrites::WriteValue(const RegistryRow& row, const void* data, uint32_t bytes) {
  LONG result = WriteRegistryValue(root_, BuildRowKeyPath(keyPath_, row), row.valueName, row.type, data, bytes);
  return result == ERROR_SUCCESS ? 1 : 0;
}

void SystemWrites::AnnounceAssociations() {
  // Explorer caches what each file type shows and offers; without this it
  // shows the old icons and verbs until it restarts.
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
