#include "payload_view.h"

bool ReadPayload(const std::wstring& setupPath, PayloadView* view) {
  HMODULE module =
      LoadLibraryExW(setupPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return false;
  bool ok = false;
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(kPayloadResourceId), MAKEINTRESOURCEW(10));
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const uint8_t* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  DWORD size = found ? SizeofResource(module, found) : 0;
  if (bytes && size > kPayloadPropertiesSize) {
    view->decoded.assign(kPayloadCapacity, 0);
    DecodeReport report = {};
    uint32_t produced = DecodePayloadStream(view->decoded.data(), kPayloadCapacity, bytes + kPayloadPropertiesSize,
                                            size - kPayloadPropertiesSize, bytes, &report);
    view->decoded.resize(produced);
    ok = report.stop == DecodeEndMarker && produced >= kPayloadTableSize &&
         IndexPayload(view->decoded.data(), produced, view->entries) == Ok;
  }
  FreeLibrary(module);
  return ok;
}
