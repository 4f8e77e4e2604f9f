// cut-resource: writes a copy of a program whose resource of the given
// ordinal type and name claims only half its size, as a resource cut short
// by a damaged download or a careless editor would. The tests use it to
// prove that such a file is refused before anything is written.
//
//   cut-resource IN OUT TYPE NAME
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pe_image.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: cut-resource IN OUT TYPE NAME\n");
    return 2;
  }
  std::vector<uint8_t> bytes;
  pe::Image image;
  std::string error;
  if (!pe::ReadFile(argv[1], &bytes) || !pe::Parse(bytes.data(), bytes.size(), &image, &error)) {
    std::fprintf(stderr, "cut-resource: cannot read %s as a PE image %s\n", argv[1], error.c_str());
    return 1;
  }
  const pe::Resource* r = pe::FindResource(image, uint32_t(std::strtoul(argv[3], nullptr, 10)),
                                           uint32_t(std::strtoul(argv[4], nullptr, 10)));
  if (!r || r->size < 2) {
    std::fprintf(stderr, "cut-resource: %s has no resource %s/%s to cut\n", argv[1], argv[3], argv[4]);
    return 1;
  }
  uint32_t size = r->size / 2;
  for (int i = 0; i < 4; ++i) bytes[r->entryOffset + 4 + i] = uint8_t(size >> (8 * i));
  FILE* out = std::fopen(argv[2], "wb");
  bool written = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (out && std::fclose(out) != 0) written = false;
  if (!written) {
    std::fprintf(stderr, "cut-resource: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("resource %s/%s of %s: %u -> %u bytes\n", argv[3], argv[4], argv[2], r->size, size);
  return 0;
}
