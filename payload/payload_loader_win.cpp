#include <windows.h>

#include "payload_constants.h"
#include "payload_loader.h"
#include "setup_context.h"

PayloadStatus LoadPayload(SetupContext* context) {
  HRSRC found = FindResourceW(context->instance, MAKEINTRESOURCEW(kPayloadResourceId), RT_RCDATA);
  if (!found) {
    context->payloadResource = nullptr;
    return ResourceMissing;
  }
  context->payloadResourceSize = SizeofResource(context->instance, found);
  if (context->payloadResourceSize == 0) {
    context->payloadResource = nullptr;
    return ResourceMissing;
  }
  // The bytes are read in place; nothing is unlocked or freed, since the
  // pointer stays valid while the module is loaded.
  HGLOBAL loaded = LoadResource(context->instance, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) {
    context->payloadResource = nullptr;
    return ResourceMissing;
  }
  context->payloadResource = static_cast<const uint8_t*>(bytes);
  const PayloadExpectation expected = {kPayloadResourceSize, kPayloadDecodedLength, kPayloadChecksum};
  return LoadPayloadBytes(context->payloadResource, context->payloadResourceSize, expected, &context->payload,
                          context->entries);
}
