#include <windows.h>

#include "payload.h"

PayloadStatus PayloadBuffer::WriteEntryToFile(const wchar_t* path, uint32_t offset, uint32_t size,
                                              const PayloadTime* time) const {
  // An entry that does not lie wholly inside the block is refused before the
  // file system is touched: a cut file must never be reported as written.
  if (!path || !data || offset > capacity || size > capacity - offset) return CannotCreateFile;

  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return CannotCreateFile;

  DWORD written = 0;
  if (!WriteFile(file, data + offset, size, &written, nullptr) || written != size) {
    CloseHandle(file);
    return WriteFailed;
  }
  if (time) SetFileTime(file, nullptr, nullptr, reinterpret_cast<const FILETIME*>(time));
  CloseHandle(file);
  return Ok;
}
