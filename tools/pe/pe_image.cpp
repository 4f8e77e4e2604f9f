#include "pe_image.h"

#include <cstdio>
#include <cstring>

namespace pe {
namespace {

// Caps keep a hostile file from making the reader loop or allocate for long.
constexpr uint32_t kMaxSections = 96;
constexpr uint32_t kMaxImports = 4096;
constexpr uint32_t kMaxImportedFunctions = 65536;
// Counts the entries of all three levels as they are visited: directories
// may be shared, so a few kilobytes of entries could otherwise multiply into
// billions of visits.
constexpr uint32_t kMaxResourceEntries = 4096;
constexpr uint32_t kMaxNameLength = 256;

struct Bytes {
  const uint8_t* data;
  size_t size;

  bool Has(uint64_t offset, uint64_t length) const { return offset <= size && length <= size - offset; }
  uint16_t U16(uint64_t offset) const { return uint16_t(data[offset] | data[offset + 1] << 8); }
  uint32_t U32(uint64_t offset) const {
    return uint32_t(data[offset]) | uint32_t(data[offset + 1]) << 8 | uint32_t(data[offset + 2]) << 16 |
           uint32_t(data[offset + 3]) << 24;
  }
  uint64_t U64(uint64_t offset) const { return uint64_t(U32(offset)) | uint64_t(U32(offset + 4)) << 32; }
};

bool Fail(std::string* error, const char* reason) {
  if (error) *error = reason;
  return false;
}

// File offset of `length` bytes at `rva`, when a section holds them in the file.
bool RvaToOffset(const Image& image, const Bytes& bytes, uint32_t rva, uint64_t length, uint64_t* offset) {
  for (const Section& s : image.sections) {
    uint64_t start = s.virtualAddress;
    uint64_t extent = s.rawSize;
    if (rva >= start && rva - start < extent && length <= extent - (rva - start)) {
      uint64_t at = uint64_t(s.rawOffset) + (rva - start);
      if (!bytes.Has(at, length)) return false;
      *offset = at;
      return true;
    }
  }
  return false;
}

bool ReadAsciiz(const Image& image, const Bytes& bytes, uint32_t rva, std::string* out) {
  out->clear();
  for (uint32_t i = 0; i < kMaxNameLength; ++i) {
    uint64_t at;
    if (!RvaToOffset(image, bytes, rva + i, 1, &at)) return false;
    char c = char(bytes.data[at]);
    if (c == 0) return true;
    out->push_back(c);
  }
  return false;
}

// The functions one import descriptor names, from its lookup table (or, in
// images without one, its address table) of 64-bit entries.
bool ParseImportedFunctions(Image* image, const Bytes& bytes, const std::string& dll, uint32_t table) {
  for (uint32_t i = 0;; ++i) {
    uint64_t at;
    if (image->importedFunctions.size() >= kMaxImportedFunctions) return false;
    if (!RvaToOffset(*image, bytes, table + i * 8, 8, &at)) return false;
    uint64_t entry = bytes.U64(at);
    if (entry == 0) return true;
    std::string name;
    if (entry >> 63) {
      name = "#" + std::to_string(entry & 0xFFFF);
    } else if (entry > 0xFFFFFFFDu || !ReadAsciiz(*image, bytes, uint32_t(entry) + 2, &name)) {
      return false;
    }
    image->importedFunctions.push_back(dll + "!" + name);
  }
}

bool ParseImports(Image* image, const Bytes& bytes, std::string* error) {
  if (image->directories.size() < 2 || image->directories[1].size == 0) return true;
  uint32_t rva = image->directories[1].rva;
  for (uint32_t i = 0; i < kMaxImports; ++i) {
    uint64_t at;
    if (!RvaToOffset(*image, bytes, rva + i * 20, 20, &at)) return Fail(error, "import table outside the file");
    bool empty = true;
    for (int k = 0; k < 20; ++k) empty = empty && bytes.data[at + k] == 0;
    if (empty) return true;
    std::string name;
    if (!ReadAsciiz(*image, bytes, bytes.U32(at + 12), &name)) return Fail(error, "bad imported DLL name");
    image->imports.push_back(name);
    uint32_t table = bytes.U32(at) ? bytes.U32(at) : bytes.U32(at + 16);
    if (table && !ParseImportedFunctions(image, bytes, name, table)) return Fail(error, "bad imported function list");
  }
  return Fail(error, "import table without end");
}

bool ReadResourceName(const Image& image, const Bytes& bytes, uint64_t base, uint32_t field, ResourceName* out) {
  if (!(field & 0x80000000u)) {
    out->isOrdinal = true;
    out->ordinal = field & 0xFFFFu;
    return true;
  }
  (void)image;
  uint64_t at = base + (field & 0x7FFFFFFFu);
  if (!bytes.Has(at, 2)) return false;
  uint32_t length = bytes.U16(at);
  if (length > kMaxNameLength || !bytes.Has(at + 2, uint64_t(length) * 2)) return false;
  out->isOrdinal = false;
  out->text.clear();
  for (uint32_t i = 0; i < length; ++i) out->text.push_back(char(bytes.U16(at + 2 + 2 * i) & 0xFF));
  return true;
}

// The resource tree has exactly three levels: type, name, language.
bool ParseResources(Image* image, const Bytes& bytes, std::string* error) {
  if (image->directories.size() < 3 || image->directories[2].size == 0) return true;
  uint32_t rootRva = image->directories[2].rva;
  uint64_t base;
  if (!RvaToOffset(*image, bytes, rootRva, 16, &base)) return Fail(error, "resource directory outside the file");
  // Offsets inside the tree are relative to its root and stay within the
  // section that holds it.
  uint64_t limit = 0;
  for (const Section& s : image->sections) {
    if (rootRva >= s.virtualAddress && rootRva - s.virtualAddress < s.rawSize) {
      limit = uint64_t(s.rawOffset) + s.rawSize;
    }
  }
  Bytes tree{bytes.data, size_t(limit < bytes.size ? limit : bytes.size)};
  uint32_t visited = 0;

  auto entries = [&](uint64_t dir, uint32_t* count, uint64_t* first) {
    if (!tree.Has(dir, 16)) return false;
    *count = uint32_t(tree.U16(dir + 12)) + tree.U16(dir + 14);
    *first = dir + 16;
    return tree.Has(*first, uint64_t(*count) * 8);
  };

  uint32_t typeCount;
  uint64_t typeAt;
  if (!entries(base, &typeCount, &typeAt)) return Fail(error, "bad resource directory");
  for (uint32_t t = 0; t < typeCount; ++t) {
    if (++visited > kMaxResourceEntries) return Fail(error, "too many resources");
    uint64_t te = typeAt + 8 * t;
    ResourceName type;
    uint32_t typeChild = tree.U32(te + 4);
    if (!ReadResourceName(*image, tree, base, tree.U32(te), &type) || !(typeChild & 0x80000000u))
      return Fail(error, "bad resource type entry");
    uint32_t nameCount;
    uint64_t nameAt;
    if (!entries(base + (typeChild & 0x7FFFFFFFu), &nameCount, &nameAt))
      return Fail(error, "bad resource name directory");
    for (uint32_t n = 0; n < nameCount; ++n) {
      if (++visited > kMaxResourceEntries) return Fail(error, "too many resources");
      uint64_t ne = nameAt + 8 * n;
      ResourceName name;
      uint32_t nameChild = tree.U32(ne + 4);
      if (!ReadResourceName(*image, tree, base, tree.U32(ne), &name) || !(nameChild & 0x80000000u))
        return Fail(error, "bad resource name entry");
      uint32_t langCount;
      uint64_t langAt;
      if (!entries(base + (nameChild & 0x7FFFFFFFu), &langCount, &langAt))
        return Fail(error, "bad resource language directory");
      for (uint32_t l = 0; l < langCount; ++l) {
        if (++visited > kMaxResourceEntries) return Fail(error, "too many resources");
        uint64_t le = langAt + 8 * l;
        uint32_t dataField = tree.U32(le + 4);
        if (dataField & 0x80000000u) return Fail(error, "resource tree deeper than three levels");
        uint64_t dataEntry = base + dataField;
        if (!tree.Has(dataEntry, 16)) return Fail(error, "resource data entry outside the file");
        Resource r;
        r.type = type;
        r.name = name;
        r.language = tree.U32(le) & 0xFFFFu;
        r.rva = tree.U32(dataEntry);
        r.size = tree.U32(dataEntry + 4);
        r.entryOffset = dataEntry;
        if (!RvaToOffset(*image, bytes, r.rva, r.size, &r.fileOffset))
          return Fail(error, "resource data outside the file");
        image->resources.push_back(r);
      }
    }
  }
  return true;
}

}  // namespace

bool Parse(const uint8_t* data, size_t size, Image* image, std::string* error) {
  *image = Image{};
  Bytes bytes{data, size};
  image->fileSize = size;
  if (!bytes.Has(0, 64) || data[0] != 'M' || data[1] != 'Z') return Fail(error, "not an MZ executable");
  uint32_t peAt = bytes.U32(60);
  if (!bytes.Has(peAt, 24) || std::memcmp(data + peAt, "PE\0\0", 4) != 0) return Fail(error, "no PE signature");
  uint64_t coff = peAt + 4;
  image->machine = bytes.U16(coff);
  uint32_t sectionCount = bytes.U16(coff + 2);
  image->timeDateStamp = bytes.U32(coff + 4);
  uint32_t optionalSize = bytes.U16(coff + 16);
  image->characteristics = bytes.U16(coff + 18);
  uint64_t opt = coff + 20;
  if (optionalSize < 112 || !bytes.Has(opt, optionalSize)) return Fail(error, "optional header outside the file");
  image->magic = bytes.U16(opt);
  if (image->magic != 0x20B) return Fail(error, "not a 64-bit (PE32+) image");
  image->imageBase = bytes.U64(opt + 24);
  image->checksum = bytes.U32(opt + 64);
  image->subsystem = bytes.U16(opt + 68);
  image->dllCharacteristics = bytes.U16(opt + 70);
  uint32_t directoryCount = bytes.U32(opt + 108);
  if (directoryCount > 16 || 112 + uint64_t(directoryCount) * 8 > optionalSize)
    return Fail(error, "bad data directory count");
  for (uint32_t i = 0; i < directoryCount; ++i) {
    image->directories.push_back({bytes.U32(opt + 112 + 8 * i), bytes.U32(opt + 116 + 8 * i)});
  }
  if (sectionCount > kMaxSections) return Fail(error, "too many sections");
  uint64_t table = opt + optionalSize;
  if (!bytes.Has(table, uint64_t(sectionCount) * 40)) return Fail(error, "section table outside the file");
  for (uint32_t i = 0; i < sectionCount; ++i) {
    uint64_t at = table + 40 * i;
    Section s;
    s.name.assign(reinterpret_cast<const char*>(data + at), strnlen(reinterpret_cast<const char*>(data + at), 8));
    s.virtualSize = bytes.U32(at + 8);
    s.virtualAddress = bytes.U32(at + 12);
    s.rawSize = bytes.U32(at + 16);
    s.rawOffset = bytes.U32(at + 20);
    s.characteristics = bytes.U32(at + 36);
    image->sections.push_back(s);
  }
  return ParseImports(image, bytes, error) && ParseResources(image, bytes, error);
}

const Resource* FindResource(const Image& image, uint32_t type, uint32_t name) {
  for (const Resource& r : image.resources) {
    if (r.type.isOrdinal && r.type.ordinal == type && r.name.isOrdinal && r.name.ordinal == name) return &r;
  }
  return nullptr;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
  bytes->clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

}  // namespace pe
