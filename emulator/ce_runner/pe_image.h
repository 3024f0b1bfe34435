// A Windows CE ARM program file, read by its own headers and checked as the handheld's loader checks it.
// Portable: bytes in, a laid-out image and its imports out (no CPU emulator here).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ce {

// The process slot a Windows CE 5.0 program lives in: an image must lie inside it.
constexpr uint32_t kSlotBegin = 0x00010000;
constexpr uint32_t kSlotEnd = 0x02000000;
// An EXE without relocations is loaded where it asks only inside the slot's first 4 MiB, on a 64 KiB boundary.
constexpr uint32_t kFixedImageEnd = 0x00400000;

constexpr uint32_t kPageSize = 0x1000;

// Memory protection of one part of the image, as its section characteristics ask.
struct ImageRegion {
  uint32_t address = 0;  // page aligned
  uint32_t size = 0;     // whole pages
  bool read = false, write = false, execute = false;
};

struct ImageImport {
  std::string dll;       // as the import descriptor names it
  std::string function;  // imported by name; empty when imported by ordinal
  uint16_t ordinal = 0;  // imported by ordinal (function empty); the hint of a name is no ordinal
  uint32_t slotAddress;  // where the loader stores the bound address (the import address table entry)
};

// "fwrite" or "ordinal 1121", for messages.
std::string ImportLabel(const ImageImport& import);

struct LoadedImage {
  uint32_t base = 0;
  uint32_t entry = 0;           // absolute address of the entry function
  std::vector<uint8_t> memory;  // SizeOfImage bytes (page rounded) as mapped at base, headers included
  std::vector<ImageRegion> regions;
  std::vector<ImageImport> imports;
};

// Lays out the file as the loader would, or returns false with the reason it is refused in *error.
bool LoadPeImage(const std::vector<uint8_t>& file, LoadedImage* image, std::string* error);

}  // namespace ce
