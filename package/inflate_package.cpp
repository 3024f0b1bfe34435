#include "inflate_package.h"

#include <zlib.h>

namespace {

constexpr unsigned kChunk = 16384;

}  // namespace

int InflatePackage(FILE* source, FILE* destination) {
  // Static buffers would not be shared safely between threads; 32 KiB on the stack is fine for a worker.
  unsigned char in[kChunk];
  unsigned char out[kChunk];

  z_stream stream = {};
  int ret = inflateInit(&stream);
  if (ret != Z_OK) return ret;

  do {
    stream.avail_in = static_cast<uInt>(fread(in, 1, kChunk, source));
    if (ferror(source)) {
      inflateEnd(&stream);
      return Z_ERRNO;
    }
    if (stream.avail_in == 0) break;
    stream.next_in = in;

    do {
      stream.avail_out = kChunk;
      stream.next_out = out;
      ret = inflate(&stream, Z_NO_FLUSH);
      switch (ret) {
        case Z_NEED_DICT:
          ret = Z_DATA_ERROR;
          [[fallthrough]];
        case Z_DATA_ERROR:
        case Z_MEM_ERROR:
          inflateEnd(&stream);
          return ret;
        default:
          break;
      }
      const size_t produced = kChunk - stream.avail_out;
      if (fwrite(out, 1, produced, destination) != produced || ferror(destination)) {
        inflateEnd(&stream);
        return Z_ERRNO;
      }
    } while (stream.avail_out == 0);
  } while (ret != Z_STREAM_END);

  inflateEnd(&stream);
  return ret == Z_STREAM_END ? Z_OK : Z_DATA_ERROR;
}
