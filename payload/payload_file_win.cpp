#include <windows.h>

#include "owners.h"
#include "payload.h"

PayloadStatus PayloadBuffer::WriteEntryToFile(const wchar_t* path, uint32_t offset, uint32_t size,
                                              const PayloadTime* time) const {
  // An entry that does not lie wholly inside the block is refused before the
  // file system is touched: a cut file must never be reported as written.
  if (!path || !data || offset > capacity || size > capacity - offset) return PayloadStatus::CannotCreateFile;

  // An existing file is written over only when it is a file of its own: a
  // reparse point would lead the write elsewhere, and a second hard link
  // would change that other name's file too. Checked on the handle that
  // writes, so nothing can be swapped in between.
  UniqueHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION existing;
  if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &existing) ||
      (existing.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || existing.nNumberOfLinks > 1) {
    return PayloadStatus::CannotCreateFile;
  }

  DWORD written = 0;
  if (!WriteFile(file.Get(), data + offset, size, &written, nullptr) || written != size || !SetEndOfFile(file.Get())) {
    return PayloadStatus::WriteFailed;
  }
  if (time) SetFileTime(file.Get(), nullptr, nullptr, reinterpret_cast<const FILETIME*>(time));
  return PayloadStatus::Ok;
}
