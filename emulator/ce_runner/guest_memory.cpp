#include "guest_memory.h"

#include <algorithm>

namespace ce {

bool GuestMemory::Map(uint32_t address, uint32_t size, uint32_t perms, const std::string& what) {
  if (uc_mem_map(engine_, address, size, perms) != UC_ERR_OK) return false;
  areas_.push_back({address, address + size, perms, what});
  return true;
}

bool GuestMemory::Protect(uint32_t address, uint32_t size, uint32_t perms) {
  if (uc_mem_protect(engine_, address, size, perms) != UC_ERR_OK) return false;
  // The protection is recorded page by page: split the areas it cuts.
  std::vector<Area> updated;
  const uint32_t end = address + size;
  for (const Area& area : areas_) {
    if (area.end <= address || area.begin >= end) {
      updated.push_back(area);
      continue;
    }
    if (area.begin < address) updated.push_back({area.begin, address, area.perms, area.what});
    updated.push_back({std::max(area.begin, address), std::min(area.end, end), perms, area.what});
    if (area.end > end) updated.push_back({end, area.end, area.perms, area.what});
  }
  areas_ = updated;
  return true;
}

bool GuestMemory::Write(uint32_t address, const void* data, std::size_t size) {
  return uc_mem_write(engine_, address, data, size) == UC_ERR_OK;
}

bool GuestMemory::Read(uint32_t address, void* data, std::size_t size) const {
  return uc_mem_read(engine_, address, data, size) == UC_ERR_OK;
}

bool GuestMemory::Allows(uint32_t address, uint32_t size, uint32_t perm) const {
  uint64_t at = address;
  const uint64_t end = static_cast<uint64_t>(address) + size;
  while (at < end) {
    const Area* found = nullptr;
    for (const Area& area : areas_) {
      if (at >= area.begin && at < area.end) found = &area;
    }
    if (found == nullptr || (found->perms & perm) == 0) return false;
    at = found->end;
  }
  return true;
}

bool GuestMemory::ReadWideString(uint32_t address, std::u16string* text, std::string* why) const {
  text->clear();
  if (address % 2 != 0) {
    *why = "is not aligned to 2 bytes";
    return false;
  }
  for (uint64_t at = address;; at += 2) {
    if (at > 0xFFFFFFFEull || !Readable(static_cast<uint32_t>(at), 2)) {
      *why = text->empty() ? "is not in readable memory" : "is not terminated within readable memory";
      return false;
    }
    uint8_t unit[2];
    Read(static_cast<uint32_t>(at), unit, 2);
    const char16_t c = static_cast<char16_t>(unit[0] | (unit[1] << 8));
    if (c == 0) return true;
    text->push_back(c);
  }
}

std::string GuestMemory::Describe(uint32_t address) const {
  for (const Area& area : areas_) {
    if (address >= area.begin && address < area.end) return area.what;
  }
  return std::string();
}

}  // namespace ce
