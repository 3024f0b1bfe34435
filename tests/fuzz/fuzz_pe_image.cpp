// The ARM runner reads whatever file it is given as a program (a vendor's own agent build, a damaged copy):
// its loader must refuse with a reason or lay out an image that holds everything it points at.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> file(data, data + size);
  ce::LoadedImage image;
  std::string error;
  if (!ce::LoadPeImage(file, &image, &error)) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  const uint64_t begin = image.base, end = begin + image.memory.size();
  if (image.base < ce::kSlotBegin || end > ce::kSlotEnd || image.memory.size() % ce::kPageSize != 0) std::abort();
  if (image.entry < begin || image.entry >= end) std::abort();
  for (const ce::ImageRegion& region : image.regions) {
    if (region.address < begin || region.address + uint64_t{region.size} > end) std::abort();
  }
  for (const ce::ImageImport& import : image.imports) {
    if (import.slotAddress < begin || import.slotAddress + 4ull > end) std::abort();
    if (import.function.empty() == (import.ordinal == 0)) std::abort();  // by name or by ordinal, never both
  }
  return 0;
}
