#include "inflate_package.h"

#include <zlib.h>

#include <vector>

#include "zlib_stream.h"

namespace talv {
namespace {

constexpr unsigned kChunk = 16384;
// The copy's blocks: large, so that a package of gigabytes costs few host calls.
constexpr size_t kCopyBlock = 1 << 18;

// The offset counts what was read less what zlib left unused: total_in is not brought up to date on every early
// return (a dictionary request leaves it behind).
InflateResult Ended(int code, InflateFailure failure, const z_stream& stream, uint64_t read) {
  InflateResult result;
  result.code = code;
  result.failure = failure;
  result.offset = read - stream.avail_in;
  if (failure == InflateFailure::kDamaged && stream.msg != nullptr) result.zlibMessage = stream.msg;
  return result;
}

}  // namespace

InflateResult InflateStream(FILE* source, FILE* destination, bool countBytesAfterStream,
                            PreparationProgress* progress) {
  // Static buffers would not be shared safely between threads; 32 KiB on the stack is fine for a worker.
  unsigned char in[kChunk];
  unsigned char out[kChunk];

  z_stream stream = {};
  uint64_t read = 0;
  // zlib's own count of bytes out is 32 bits on Windows and comes round again after 4 GiB.
  bool begun = false;
  int ret = inflateInit(&stream);
  if (ret != Z_OK) return Ended(ret, InflateFailure::kInit, stream, read);
  const UniqueInflateStream ending(&stream);

  do {
    stream.avail_in = static_cast<uInt>(fread(in, 1, kChunk, source));
    read += stream.avail_in;
    if (ferror(source)) return Ended(Z_ERRNO, InflateFailure::kRead, stream, read);
    if (stream.avail_in == 0) return Ended(Z_DATA_ERROR, InflateFailure::kCutShort, stream, read);
    if (progress != nullptr) progress->Read(stream.avail_in);
    stream.next_in = in;

    do {
      stream.avail_out = kChunk;
      stream.next_out = out;
      ret = inflate(&stream, Z_NO_FLUSH);
      if (ret == Z_NEED_DICT) return Ended(Z_DATA_ERROR, InflateFailure::kDictionary, stream, read);
      if (ret == Z_DATA_ERROR) return Ended(ret, InflateFailure::kDamaged, stream, read);
      if (ret == Z_MEM_ERROR) return Ended(ret, InflateFailure::kMemory, stream, read);
      const size_t produced = kChunk - stream.avail_out;
      if (fwrite(out, 1, produced, destination) != produced || ferror(destination))
        return Ended(Z_ERRNO, InflateFailure::kWrite, stream, read);
      if (progress != nullptr && produced > 0 && !begun) progress->ArchiveBegins(out, produced);
      begun = begun || produced > 0;
    } while (stream.avail_out == 0);
  } while (ret != Z_STREAM_END);

  InflateResult result = Ended(Z_OK, InflateFailure::kNone, stream, read);
  if (countBytesAfterStream) {
    result.bytesAfterStream = stream.avail_in;
    for (size_t got; (got = fread(in, 1, kChunk, source)) > 0;) result.bytesAfterStream += got;
    if (ferror(source)) return Ended(Z_ERRNO, InflateFailure::kRead, stream, read);
  }
  return result;
}

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

int InflatePackage(FILE* source, FILE* destination, talv::PreparationProgress* progress) {
  return talv::InflateStream(source, destination, false, progress).code;
}
