// Compresses everything written into one zlib stream on a non-owning FILE*, as it arrives.
#pragma once

#include <zlib.h>

#include "byte_sink.h"
#include "zlib_stream.h"

namespace talv {

class DeflateSink : public ByteSink {
 public:
  explicit DeflateSink(FILE* out, int level = Z_BEST_COMPRESSION);
  ~DeflateSink() override;
  DeflateSink(const DeflateSink&) = delete;
  DeflateSink& operator=(const DeflateSink&) = delete;

  bool Write(const void* data, size_t size) override;
  // Ends the zlib stream (adds the Adler-32 trailer). Nothing may be written afterwards.
  bool Finish();

 private:
  bool Pump(int flush);

  FILE* out_;
  z_stream stream_ = {};
  UniqueDeflateStream ending_;  // after stream_: it ends the stream before the stream goes
  bool ready_ = false;
  bool finished_ = false;
};

}  // namespace talv
