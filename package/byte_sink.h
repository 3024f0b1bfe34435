// Destinations for written archive bytes: a plain file or a zlib stream (deflate_sink.h).
#pragma once

#include <cstddef>
#include <cstdio>

namespace talv {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(const void* data, size_t size) = 0;
};

// Writes to a non-owning FILE*.
class FileSink : public ByteSink {
 public:
  explicit FileSink(FILE* file) : file_(file) {}
  bool Write(const void* data, size_t size) override {
    return size == 0 || (fwrite(data, 1, size, file_) == size && !ferror(file_));
  }

 private:
  FILE* file_;
};

}  // namespace talv
