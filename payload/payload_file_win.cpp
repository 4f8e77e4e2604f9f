#include <windows.h>

#include "owners.h"
#include "payload.h"

PayloadStatus PayloadBuffer::WriteEntryToFile(const wchar_t* path, uint32_t offset, uint32_t size,
                                              const PayloadTime* time) const {
  // An entry that does not lie wholly inside the block is refused before the
  // file system is touched: a cut file must never be reported as written.
  if (!path || !data || offset > capacity || size > capacity - offset) return CannotCreateFile;

  UniqueHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return CannotCreateFile;

  DWORD written = 0;
  if (!WriteFile(file.Get(), data + offset, size, &written, nullptr) || written != size) return WriteFailed;
  if (time) SetFileTime(file.Get(), nullptr, nullptr, reinterpret_cast<const FILETIME*>(time));
  return Ok;
}
