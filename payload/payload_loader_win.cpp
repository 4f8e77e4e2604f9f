#include "payload_loader.h"

PayloadStatus LoadPayload(HINSTANCE module, const PayloadExpectation& expected, PayloadResource* resource,
                          PayloadBuffer* payload, PayloadEntry* entries) {
  *resource = {};
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(kPayloadResourceId), RT_RCDATA);
  if (!found) return PayloadStatus::ResourceMissing;
  uint32_t size = SizeofResource(module, found);
  if (size == 0) return PayloadStatus::ResourceMissing;
  // The bytes are read in place; nothing is unlocked or freed, since the
  // pointer stays valid while the module is loaded.
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return PayloadStatus::ResourceMissing;
  *resource = {static_cast<const uint8_t*>(bytes), size};
  return LoadPayloadBytes(resource->bytes, resource->size, expected, payload, entries);
}
