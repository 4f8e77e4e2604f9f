// A small, bounds-checked reader of 64-bit PE images: headers, sections,
// imported DLL names and the resource tree. Build-time tools use it to look
// inside what the windows tree produced; it trusts nothing in the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pe {

struct Section {
  std::string name;
  uint32_t virtualAddress = 0;
  uint32_t virtualSize = 0;
  uint32_t rawOffset = 0;
  uint32_t rawSize = 0;
  uint32_t characteristics = 0;
};

// A resource type or name: an ordinal, or a string (kept as its UTF-16 units
// narrowed to bytes, which is exact for the ASCII names resources use).
struct ResourceName {
  bool isOrdinal = true;
  uint32_t ordinal = 0;
  std::string text;
};

struct Resource {
  ResourceName type;
  ResourceName name;
  uint32_t language = 0;
  uint32_t rva = 0;
  uint32_t size = 0;
  uint64_t fileOffset = 0;   // where the data lies in the file
  uint64_t entryOffset = 0;  // where its data entry (RVA, size) lies in the file
};

struct DataDirectory {
  uint32_t rva = 0;
  uint32_t size = 0;
};

struct Image {
  uint16_t machine = 0;
  uint16_t characteristics = 0;
  uint32_t timeDateStamp = 0;
  uint16_t magic = 0;
  uint64_t imageBase = 0;
  uint32_t checksum = 0;
  uint16_t subsystem = 0;
  uint16_t dllCharacteristics = 0;
  uint64_t fileSize = 0;
  std::vector<DataDirectory> directories;
  std::vector<Section> sections;
  std::vector<std::string> imports;  // DLL names as written in the file
  std::vector<std::string> importedFunctions;  // "DLL!function", or "DLL!#ordinal"
  std::vector<Resource> resources;
};

// Parses `size` bytes of a PE32+ image. Returns false with a reason in
// `error` for anything malformed or not a 64-bit image.
bool Parse(const uint8_t* data, size_t size, Image* image, std::string* error);

// The resource of the given ordinal type and ordinal name, in any language;
// null when absent.
const Resource* FindResource(const Image& image, uint32_t type, uint32_t name);

// Reads a whole file; false when it cannot be read.
bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes);

}  // namespace pe
