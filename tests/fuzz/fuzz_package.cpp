// Decompression and the archive reader together, over compressed package bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "archive_walk.h"
#include "inflate_package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // fmemopen refuses an empty buffer
  FILE* source = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (source == nullptr) return 0;
  FILE* archive = tmpfile();
  if (archive == nullptr) {
    fclose(source);
    return 0;
  }
  const int result = InflatePackage(source, archive);
  if (result != 0 && result != -3) abort();  // memory and file streams do not fail here
  rewind(archive);
  WalkArchive(archive);
  fclose(archive);
  fclose(source);
  return 0;
}
