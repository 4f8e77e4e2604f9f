// A PE image small enough to write by hand, for the tests of the code that
// reads executables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// A minimal PE32+ image: headers, then one section at RVA 0x1000 holding an
// import table for two DLLs and a one-entry resource tree: RT_RCDATA 102,
// language 1033, the 4 bytes "data" at file offset 0x380.
class ImageBuilder {
 public:
  ImageBuilder() : bytes_(0x400, 0) {
    bytes_[0] = 'M';
    bytes_[1] = 'Z';
    Put32(60, 64);
    std::memcpy(&bytes_[64], "PE\0\0", 4);
    Put16(68, 0x8664);            // machine
    Put16(70, 1);                 // sections
    Put16(84, 240);               // optional header size
    Put16(88, 0x20B);             // PE32+
    Put16(88 + 68, 2);            // GUI subsystem
    Put32(88 + 108, 16);          // data directories
    Put32(88 + 112 + 8, 0x1000);  // import table
    Put32(88 + 116 + 8, 60);
    Put32(88 + 112 + 16, 0x1100);  // resources
    Put32(88 + 116 + 16, 0x60);
    size_t section = 88 + 240;
    std::memcpy(&bytes_[section], ".data", 5);
    Put32(section + 8, 0x200);
    Put32(section + 12, 0x1000);
    Put32(section + 16, 0x200);
    Put32(section + 20, 0x200);
    // Import descriptors at file 0x200 (RVA 0x1000): name RVAs 0x1080, 0x1090.
    Put32(0x200 + 12, 0x1080);
    Put32(0x200 + 20 + 12, 0x1090);
    std::memcpy(&bytes_[0x280], "KERNEL32.dll", 12);
    std::memcpy(&bytes_[0x290], "evil.dll", 8);
    // Resource tree at file 0x300 (RVA 0x1100): type 10, name 102, language 1033.
    Put16(0x300 + 14, 1);
    Put32(0x310, 10);
    Put32(0x314, 0x80000018);
    Put16(0x318 + 14, 1);
    Put32(0x328, 102);
    Put32(0x32C, 0x80000030);
    Put16(0x330 + 14, 1);
    Put32(0x340, 1033);
    Put32(0x344, 0x48);
    Put32(0x348, 0x1180);  // data RVA
    Put32(0x34C, 4);
    std::memcpy(&bytes_[0x380], "data", 4);
  }

  void Put16(size_t at, uint16_t v) {
    bytes_[at] = uint8_t(v);
    bytes_[at + 1] = uint8_t(v >> 8);
  }
  void Put32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = uint8_t(v >> (8 * i));
  }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};
