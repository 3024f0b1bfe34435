// Owners for zlib streams in the handle family of the base: an initialised stream is ended however its user
// leaves. The z_stream itself stays where its user keeps it; the owner holds its address.
#pragma once

#include <zlib.h>

#include "unique_handle.h"

namespace talv {

struct InflateStreamTraits {
  using Handle = z_stream*;
  static z_stream* Empty() { return nullptr; }
  static bool IsValid(z_stream* stream) { return stream != nullptr; }
  static bool Close(z_stream* stream) { return inflateEnd(stream) == Z_OK; }
};

struct DeflateStreamTraits {
  using Handle = z_stream*;
  static z_stream* Empty() { return nullptr; }
  static bool IsValid(z_stream* stream) { return stream != nullptr; }
  static bool Close(z_stream* stream) { return deflateEnd(stream) == Z_OK; }
};

// Give it a stream that inflateInit (deflateInit) has set up.
using UniqueInflateStream = base::UniqueHandle<InflateStreamTraits>;
using UniqueDeflateStream = base::UniqueHandle<DeflateStreamTraits>;

}  // namespace talv
