// The archive reader over raw archive bytes.
#include <cstdint>
#include <cstdio>

#include "archive_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // fmemopen refuses an empty buffer
  FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (stream == nullptr) return 0;
  WalkArchive(stream);
  fclose(stream);
  return 0;
}
