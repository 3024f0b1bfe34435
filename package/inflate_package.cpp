#include "inflate_package.h"

#include <zlib.h>

#include <vector>

#include "zlib_stream.h"

namespace {

constexpr unsigned kChunk = 16384;
// The copy's blocks: large, so that a package of gigabytes costs few host calls.
constexpr size_t kCopyBlock = 1 << 18;

}  // namespace

int InflatePackage(FILE* source, FILE* destination, talv::PreparationProgress* progress) {
  // Static buffers would not be shared safely between threads; 32 KiB on the stack is fine for a worker.
  unsigned char in[kChunk];
  unsigned char out[kChunk];

  z_stream stream = {};
  int ret = inflateInit(&stream);
  if (ret != Z_OK) return ret;
  const talv::UniqueInflateStream ending(&stream);

  do {
    stream.avail_in = static_cast<uInt>(fread(in, 1, kChunk, source));
    if (ferror(source)) return Z_ERRNO;
    if (stream.avail_in == 0) break;
    if (progress != nullptr) progress->Read(stream.avail_in);
    stream.next_in = in;

    do {
      stream.avail_out = kChunk;
      stream.next_out = out;
      ret = inflate(&stream, Z_NO_FLUSH);
      if (ret == Z_NEED_DICT) return Z_DATA_ERROR;
      if (ret == Z_DATA_ERROR || ret == Z_MEM_ERROR) return ret;
      const size_t produced = kChunk - stream.avail_out;
      if (fwrite(out, 1, produced, destination) != produced || ferror(destination)) return Z_ERRNO;
      if (progress != nullptr && produced > 0 && stream.total_out == produced) progress->ArchiveBegins(out, produced);
    } while (stream.avail_out == 0);
  } while (ret != Z_STREAM_END);

  return ret == Z_STREAM_END ? Z_OK : Z_DATA_ERROR;
}

namespace talv {

bool CopyPackage(FILE* source, FILE* destination, PreparationProgress* progress) {
  std::vector<unsigned char> block(kCopyBlock);
  for (;;) {
    const size_t got = fread(block.data(), 1, block.size(), source);
    if (ferror(source)) return false;
    if (got == 0) return true;
    if (progress != nullptr) progress->Read(got);
    if (fwrite(block.data(), 1, got, destination) != got) return false;
  }
}

}  // namespace talv
