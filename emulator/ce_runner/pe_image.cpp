#include "pe_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ce {
namespace {

constexpr uint16_t kMachineArm = 0x01C0;    // IMAGE_FILE_MACHINE_ARM: ARM instructions, Thumb by interworking
constexpr uint16_t kMachineArmNt = 0x01C4;  // Thumb-2 only, Windows RT: no Windows CE loader takes it
constexpr uint16_t kMachineThumb = 0x01C2;
constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kFileRelocsStripped = 0x0001;
constexpr uint16_t kFileExecutable = 0x0002;
constexpr uint16_t kFileDll = 0x2000;
constexpr uint16_t kMagicPe32 = 0x010B;
constexpr uint16_t kSubsystemCeGui = 9;
constexpr uint32_t kOptionalHeaderSize = 0xE0;
constexpr uint32_t kDirectoryCount = 16;
constexpr uint32_t kDirectoryImport = 1;
constexpr uint32_t kDirectoryBaseReloc = 5;
constexpr uint32_t kDirectoryClr = 14;
constexpr uint32_t kSectionExecute = 0x20000000;
constexpr uint32_t kSectionRead = 0x40000000;
constexpr uint32_t kSectionWrite = 0x80000000;
constexpr uint32_t kSectionCode = 0x00000020;
// The handheld runs Windows CE 5.0: a program that asks for a later version does not load.
constexpr uint32_t kNewestSubsystemVersion = (5u << 16) | 0u;

std::string Hex(uint32_t value, int digits = 8) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string MachineName(uint16_t machine) {
  switch (machine) {
    case kMachineI386: return "x86 (0x014C)";
    case kMachineArmNt: return "ARMNT/Thumb-2 (0x01C4)";
    case kMachineThumb: return "Thumb (0x01C2)";
    case 0x8664: return "x64 (0x8664)";
    case 0xAA64: return "ARM64 (0xAA64)";
    default: return Hex(machine, 4);
  }
}

// Little-endian reads that fail instead of reading past the end.
class Bytes {
 public:
  Bytes(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Has(uint64_t offset, uint64_t length) const { return offset <= size_ && length <= size_ - offset; }
  uint16_t U16(uint64_t offset) const { return static_cast<uint16_t>(data_[offset] | (data_[offset + 1] << 8)); }
  uint32_t U32(uint64_t offset) const {
    return static_cast<uint32_t>(data_[offset]) | (static_cast<uint32_t>(data_[offset + 1]) << 8) |
           (static_cast<uint32_t>(data_[offset + 2]) << 16) | (static_cast<uint32_t>(data_[offset + 3]) << 24);
  }
  // A zero-terminated ASCII name; false when it runs past the end or holds more than `limit` characters.
  bool Name(uint64_t offset, std::size_t limit, std::string* name) const {
    name->clear();
    for (uint64_t i = offset; i < size_ && name->size() <= limit; ++i) {
      if (data_[i] == 0) return true;
      name->push_back(static_cast<char>(data_[i]));
    }
    return false;
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
};

uint32_t PageRound(uint32_t size) { return (size + kPageSize - 1) & ~(kPageSize - 1); }

bool BaseUsable(uint32_t base, uint32_t imageSize, uint32_t end) {
  return base % 0x10000 == 0 && base >= kSlotBegin && base < end && imageSize <= end - base;
}

struct Headers {
  uint16_t characteristics = 0;
  uint32_t entryRva = 0, base = 0, imageSize = 0, headersSize = 0;
  uint32_t sectionCount = 0, sectionTable = 0;
  uint32_t directoryRva[kDirectoryCount] = {}, directorySize[kDirectoryCount] = {};
};

bool ReadHeaders(const Bytes& file, Headers* h, std::string* error) {
  if (!file.Has(0, 0x40) || file.U16(0) != 0x5A4D) {
    *error = "not a program file: no MZ header";
    return false;
  }
  const uint32_t pe = file.U32(0x3C);
  if (!file.Has(pe, 24) || file.U32(pe) != 0x00004550) {
    *error = "not a PE file: no PE signature at " + Hex(pe);
    return false;
  }
  const uint16_t machine = file.U16(pe + 4);
  if (machine != kMachineArm) {
    *error = "machine " + MachineName(machine) + " is not ARM (0x01C0): the handheld refuses this program";
    return false;
  }
  h->sectionCount = file.U16(pe + 6);
  const uint32_t optionalSize = file.U16(pe + 20);
  h->characteristics = file.U16(pe + 22);
  if (!(h->characteristics & kFileExecutable) || (h->characteristics & kFileDll)) {
    *error = "not an executable program (characteristics " + Hex(h->characteristics, 4) + ")";
    return false;
  }
  const uint32_t opt = pe + 24;
  if (optionalSize != kOptionalHeaderSize || !file.Has(opt, kOptionalHeaderSize) || file.U16(opt) != kMagicPe32) {
    *error = "optional header is not a 224-byte PE32 header (size " + Hex(optionalSize, 4) + ")";
    return false;
  }
  h->entryRva = file.U32(opt + 16);
  h->base = file.U32(opt + 28);
  const uint32_t sectionAlignment = file.U32(opt + 32), fileAlignment = file.U32(opt + 36);
  const uint32_t subsystemVersion = (static_cast<uint32_t>(file.U16(opt + 48)) << 16) | file.U16(opt + 50);
  h->imageSize = file.U32(opt + 56);
  h->headersSize = file.U32(opt + 60);
  const uint16_t subsystem = file.U16(opt + 68);
  if (subsystem != kSubsystemCeGui) {
    *error = "subsystem " + std::to_string(subsystem) + " is not the Windows CE GUI subsystem (9)";
    return false;
  }
  if (subsystemVersion > kNewestSubsystemVersion) {
    *error = "subsystem version " + std::to_string(subsystemVersion >> 16) + "." +
             std::to_string(subsystemVersion & 0xFFFF) + " is newer than the handheld's Windows CE 5.0";
    return false;
  }
  if (file.U32(opt + 92) != kDirectoryCount) {
    *error = "the optional header has " + std::to_string(file.U32(opt + 92)) + " data directories, not 16";
    return false;
  }
  for (uint32_t i = 0; i < kDirectoryCount; ++i) {
    h->directoryRva[i] = file.U32(opt + 96 + 8 * i);
    h->directorySize[i] = file.U32(opt + 100 + 8 * i);
  }
  if (h->directoryRva[kDirectoryClr] != 0 || h->directorySize[kDirectoryClr] != 0) {
    *error = "a .NET (CLR) image: the handheld's native loader does not run it";
    return false;
  }
  const bool powerOfTwo = sectionAlignment != 0 && (sectionAlignment & (sectionAlignment - 1)) == 0 &&
                          fileAlignment != 0 && (fileAlignment & (fileAlignment - 1)) == 0;
  if (!powerOfTwo || fileAlignment > sectionAlignment) {
    *error = "section alignment " + Hex(sectionAlignment) + " / file alignment " + Hex(fileAlignment) +
             " are not powers of two with file <= section";
    return false;
  }
  if (h->imageSize == 0 || h->imageSize > kSlotEnd - kSlotBegin || h->headersSize > h->imageSize ||
      !file.Has(0, h->headersSize)) {
    *error = "SizeOfImage " + Hex(h->imageSize) + " / SizeOfHeaders " + Hex(h->headersSize) + " do not fit";
    return false;
  }
  h->sectionTable = opt + optionalSize;
  if (h->sectionCount == 0 || !file.Has(h->sectionTable, 40ull * h->sectionCount)) {
    *error = "the section table is missing or runs past the end of the file";
    return false;
  }
  return true;
}

// Moves an image whose preferred base cannot be used; only the 32-bit fix-ups an ARM CE image carries.
bool Relocate(const Headers& h, uint32_t newBase, std::vector<uint8_t>* memory, std::string* error) {
  const Bytes image(memory->data(), memory->size());
  const uint32_t delta = newBase - h.base;
  uint32_t offset = h.directoryRva[kDirectoryBaseReloc];
  const uint32_t end = offset + h.directorySize[kDirectoryBaseReloc];
  while (offset + 8 <= end && image.Has(offset, 8)) {
    const uint32_t page = image.U32(offset), blockSize = image.U32(offset + 4);
    if (blockSize < 8 || !image.Has(offset, blockSize)) break;
    for (uint32_t i = 8; i + 2 <= blockSize; i += 2) {
      const uint16_t entry = image.U16(offset + i);
      const uint32_t type = entry >> 12, target = page + (entry & 0xFFF);
      if (type == 0) continue;  // padding
      if (type != 3 || !image.Has(target, 4)) {
        *error = "relocation of type " + std::to_string(type) + " at RVA " + Hex(target) + " cannot be applied";
        return false;
      }
      const uint32_t value = image.U32(target) + delta;
      for (int b = 0; b < 4; ++b) (*memory)[target + b] = static_cast<uint8_t>(value >> (8 * b));
    }
    offset += blockSize;
  }
  return true;
}

bool BindImports(const Headers& h, uint32_t base, const std::vector<uint8_t>& memory, LoadedImage* image,
                 std::string* error) {
  const Bytes mem(memory.data(), memory.size());
  const uint32_t directory = h.directoryRva[kDirectoryImport];
  if (directory == 0) return true;
  for (uint32_t d = directory;; d += 20) {
    if (!mem.Has(d, 20)) {
      *error = "the import directory runs past the end of the image";
      return false;
    }
    const uint32_t lookup = mem.U32(d), nameRva = mem.U32(d + 12), slots = mem.U32(d + 16);
    if (lookup == 0 && nameRva == 0 && slots == 0) return true;
    std::string dll;
    if (!mem.Name(nameRva, 255, &dll)) {
      *error = "an import descriptor's DLL name is not inside the image";
      return false;
    }
    if (lookup == 0) {
      *error = "imports of " + dll +
               " have no lookup table (OriginalFirstThunk 0): the loader would leave them unbound and every call "
               "would jump to garbage";
      return false;
    }
    for (uint32_t i = 0;; ++i) {
      if (!mem.Has(lookup + 4ull * i, 4) || !mem.Has(slots + 4ull * i, 4)) {
        *error = "the import table of " + dll + " runs past the end of the image";
        return false;
      }
      const uint32_t thunk = mem.U32(lookup + 4 * i);
      if (thunk == 0) break;
      ImageImport import;
      import.dll = dll;
      import.slotAddress = base + slots + 4 * i;
      if (thunk & 0x80000000u) {
        // Bits 30-16 must be zero: the loader reads nothing else into an ordinal.
        if ((thunk & 0x7FFF0000u) != 0 || (thunk & 0xFFFF) == 0) {
          *error = "import " + Hex(thunk) + " from " + dll + " is no ordinal";
          return false;
        }
        import.ordinal = static_cast<uint16_t>(thunk);
        image->imports.push_back(import);
        continue;
      }
      if (!mem.Has(thunk, 2) || !mem.Name(thunk + 2, 255, &import.function) || import.function.empty()) {
        *error = "an import name of " + dll + " is not inside the image";
        return false;
      }
      image->imports.push_back(import);
    }
  }
}

}  // namespace

std::string ImportLabel(const ImageImport& import) {
  return import.function.empty() ? "ordinal " + std::to_string(import.ordinal) : import.function;
}

bool LoadPeImage(const std::vector<uint8_t>& fileBytes, LoadedImage* image, std::string* error) {
  const Bytes file(fileBytes.data(), fileBytes.size());
  Headers h;
  if (!ReadHeaders(file, &h, error)) return false;
  const uint32_t mappedSize = PageRound(h.imageSize);
  std::vector<uint8_t> memory(mappedSize, 0);
  std::memcpy(memory.data(), fileBytes.data(), h.headersSize);
  std::vector<ImageRegion> regions{{0, PageRound(h.headersSize), true, false, false}};
  bool entryInCode = false;
  for (uint32_t s = 0; s < h.sectionCount; ++s) {
    const uint32_t at = h.sectionTable + 40 * s;
    char rawName[9] = {};
    std::memcpy(rawName, &fileBytes[at], 8);
    const std::string name = rawName;
    const uint32_t virtualSize = file.U32(at + 8), rva = file.U32(at + 12);
    const uint32_t rawSize = file.U32(at + 16), rawOffset = file.U32(at + 20), flags = file.U32(at + 36);
    const uint32_t span = virtualSize != 0 ? virtualSize : rawSize;
    if (rva % kPageSize != 0 || rva < PageRound(h.headersSize) || span > h.imageSize || rva > h.imageSize - span) {
      *error = "section " + name + " (RVA " + Hex(rva) + ", " + Hex(span) + " bytes) is not within SizeOfImage " +
               Hex(h.imageSize) + " on a page of its own";
      return false;
    }
    const uint32_t copy = std::min(rawSize, span);
    if (copy > 0 && !file.Has(rawOffset, copy)) {
      *error = "section " + name + " runs past the end of the file";
      return false;
    }
    if (copy > 0) std::memcpy(&memory[rva], &fileBytes[rawOffset], copy);
    ImageRegion region{rva, PageRound(span), (flags & kSectionRead) != 0, (flags & kSectionWrite) != 0,
                       (flags & (kSectionExecute | kSectionCode)) != 0};
    if (region.size > 0) regions.push_back(region);
    if (region.execute && h.entryRva >= rva && h.entryRva < rva + span) entryInCode = true;
  }
  if (!entryInCode) {
    *error = "the entry point RVA " + Hex(h.entryRva) + " is not inside an executable section";
    return false;
  }
  uint32_t base = h.base;
  const bool hasRelocations = !(h.characteristics & kFileRelocsStripped) && h.directoryRva[kDirectoryBaseReloc] != 0;
  if (!BaseUsable(h.base, mappedSize, hasRelocations ? kSlotEnd : kFixedImageEnd)) {
    if (!hasRelocations) {
      *error = "image base " + Hex(h.base) + " (+" + Hex(mappedSize) +
               ") is not usable: the file carries no relocations, so it must lie on a 64 KiB boundary from " +
               Hex(kSlotBegin) + " to " + Hex(kFixedImageEnd);
      return false;
    }
    base = kSlotBegin;
    if (!BaseUsable(base, mappedSize, kSlotEnd) || !Relocate(h, base, &memory, error)) {
      if (error->empty()) *error = "the image is too large for the process slot";
      return false;
    }
  }
  image->imports.clear();
  if (!BindImports(h, base, memory, image, error)) return false;
  for (ImageRegion& region : regions) region.address += base;
  image->base = base;
  image->entry = base + h.entryRva;
  image->memory = std::move(memory);
  image->regions = std::move(regions);
  return true;
}

}  // namespace ce
