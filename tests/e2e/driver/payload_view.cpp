#include "payload_view.h"

#include "packer_input.h"

bool ReadPayload(PayloadView* view) {
  std::vector<PackedFile> files;
  if (!ReadPackerInput(L"P:\\payload-manifest.txt", L"P:", &files) || files.size() != kPayloadEntryCount) return false;
  view->bytes.clear();
  for (uint32_t i = 0; i < kPayloadEntryCount; ++i) {
    view->entries[i] = {uint32_t(view->bytes.size()),
                        uint32_t(files[i].bytes.size()),
                        {uint32_t(files[i].lastWrite), uint32_t(files[i].lastWrite >> 32)}};
    view->bytes.insert(view->bytes.end(), files[i].bytes.begin(), files[i].bytes.end());
  }
  return true;
}
