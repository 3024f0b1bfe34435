#include "deflate_sink.h"

namespace talv {

DeflateSink::DeflateSink(FILE* out, int level) : out_(out) {
  ready_ = deflateInit(&stream_, level) == Z_OK;
  if (ready_) ending_.Reset(&stream_);
}

DeflateSink::~DeflateSink() = default;

bool DeflateSink::Pump(int flush) {
  unsigned char buffer[16384];
  int ret;
  do {
    stream_.next_out = buffer;
    stream_.avail_out = sizeof buffer;
    ret = deflate(&stream_, flush);
    if (ret == Z_STREAM_ERROR) return false;
    const size_t produced = sizeof buffer - stream_.avail_out;
    if (ret == Z_BUF_ERROR && produced == 0 && flush == Z_FINISH) return false;
    if (produced > 0 && (fwrite(buffer, 1, produced, out_) != produced || ferror(out_))) return false;
  } while (stream_.avail_out == 0 || (flush == Z_FINISH && ret != Z_STREAM_END));
  return true;
}

bool DeflateSink::Write(const void* data, size_t size) {
  if (!ready_ || finished_) return false;
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const uInt chunk = size > 1u << 30 ? 1u << 30 : static_cast<uInt>(size);
    stream_.next_in = const_cast<unsigned char*>(bytes);
    stream_.avail_in = chunk;
    if (!Pump(Z_NO_FLUSH)) return false;
    bytes += chunk;
    size -= chunk;
  }
  return true;
}

bool DeflateSink::Finish() {
  if (!ready_ || finished_) return false;
  finished_ = true;
  stream_.next_in = nullptr;
  stream_.avail_in = 0;
  return Pump(Z_FINISH);
}

}  // namespace talv
