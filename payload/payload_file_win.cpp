#include <windows.h>

#include "file_security.h"
#include "owners.h"
#include "payload.h"
#include "trusted_paths.h"

PayloadStatus PayloadBuffer::WriteEntryToFile(const wchar_t* path, uint32_t offset, uint32_t size,
                                              const PayloadTime* time, const WriteRule& rule) const {
  // An entry that does not lie wholly inside the block is refused before the
  // file system is touched: a cut file must never be reported as written.
  if (!path || !data || offset > capacity || size > capacity - offset) return PayloadStatus::CannotCreateFile;

  // Opened, not emptied, until everything is checked on the handle that
  // writes, so that nothing can be swapped in between: no link on the way
  // that `rule` does not follow, no link at the file itself, no second hard
  // link whose other name would change too, and the permissions it must
  // have. A file made by this open and then refused goes again.
  const TrustedOpen how = {DWORD(GENERIC_WRITE | (rule.protect ? WRITE_DAC | WRITE_OWNER : 0)), 0, OPEN_ALWAYS,
                           EntryKind::File};
  UniqueHandle file;
  bool created = false;
  if (OpenTrusted(path, how, rule.links, &file, &created) != ERROR_SUCCESS) return PayloadStatus::CannotCreateFile;
  BY_HANDLE_FILE_INFORMATION existing;
  if (!GetFileInformationByHandle(file.Get(), &existing) || existing.nNumberOfLinks > 1 ||
      (rule.protect && !Protect(file.Get(), Protection::InstallFile))) {
    if (created) MarkForDeletion(file.Get());
    return PayloadStatus::CannotCreateFile;
  }

  DWORD written = 0;
  if (!WriteFile(file.Get(), data + offset, size, &written, nullptr) || written != size || !SetEndOfFile(file.Get())) {
    return PayloadStatus::WriteFailed;
  }
  if (time) SetFileTime(file.Get(), nullptr, nullptr, reinterpret_cast<const FILETIME*>(time));
  return PayloadStatus::Ok;
}
