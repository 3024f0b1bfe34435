// The ARM program's address space as the COREDLL stand-in checks it: every pointer an import is given must
// lie in memory the program may use that way, and every string must end inside it.
#pragma once

#include <unicorn/unicorn.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ce {

class GuestMemory {
 public:
  explicit GuestMemory(uc_engine* engine) : engine_(engine) {}

  // Maps [address, address + size) with `perms` (UC_PROT_*) and records it; size in whole pages.
  bool Map(uint32_t address, uint32_t size, uint32_t perms, const std::string& what);
  bool Protect(uint32_t address, uint32_t size, uint32_t perms);
  bool Write(uint32_t address, const void* data, std::size_t size);

  bool Readable(uint32_t address, uint32_t size) const { return Allows(address, size, UC_PROT_READ); }
  bool Writable(uint32_t address, uint32_t size) const { return Allows(address, size, UC_PROT_WRITE); }
  bool Read(uint32_t address, void* data, std::size_t size) const;

  // A zero-terminated UTF-16 string at `address`; false with the reason when it is not wholly readable.
  bool ReadWideString(uint32_t address, std::u16string* text, std::string* why) const;

  // "the stack", "the image", ... for a fault message; empty when the address is in nothing mapped.
  std::string Describe(uint32_t address) const;

 private:
  struct Area {
    uint32_t begin, end;  // end exclusive
    uint32_t perms;
    std::string what;
  };
  bool Allows(uint32_t address, uint32_t size, uint32_t perm) const;

  uc_engine* engine_;
  std::vector<Area> areas_;
};

}  // namespace ce
