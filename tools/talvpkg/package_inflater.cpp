#include "package_inflater.h"

#include <zlib.h>

#include "zlib_stream.h"

namespace talvpkg {

bool InflateChecked(FILE* source, FILE* destination, std::string* defect, uint64_t* trailingBytes) {
  z_stream stream = {};
  if (inflateInit(&stream) != Z_OK) {
    *defect = "zlib: cannot initialise";
    return false;
  }
  const talv::UniqueInflateStream ending(&stream);
  unsigned char in[16384];
  unsigned char out[16384];
  int ret = Z_OK;
  while (ret != Z_STREAM_END) {
    stream.avail_in = static_cast<uInt>(fread(in, 1, sizeof in, source));
    stream.next_in = in;
    if (ferror(source)) {
      *defect = "read error in the package";
      return false;
    }
    if (stream.avail_in == 0) {
      *defect = "zlib stream cut short at offset " + std::to_string(stream.total_in);
      return false;
    }
    do {
      stream.avail_out = sizeof out;
      stream.next_out = out;
      ret = inflate(&stream, Z_NO_FLUSH);
      if (ret == Z_NEED_DICT) {
        *defect = "zlib stream needs a preset dictionary (offset " + std::to_string(stream.total_in) + ")";
        return false;
      }
      if (ret == Z_DATA_ERROR || ret == Z_MEM_ERROR || ret == Z_STREAM_ERROR) {
        *defect = "zlib stream damaged at offset " + std::to_string(stream.total_in) + " (" +
                  (stream.msg != nullptr ? stream.msg : "error " + std::to_string(ret)) + ")";
        return false;
      }
      const size_t produced = sizeof out - stream.avail_out;
      if (fwrite(out, 1, produced, destination) != produced || ferror(destination)) {
        *defect = "cannot write the decompressed archive";
        return false;
      }
    } while (stream.avail_out == 0 && ret != Z_STREAM_END);
  }
  uint64_t extra = stream.avail_in;
  for (size_t got; (got = fread(in, 1, sizeof in, source)) > 0;) extra += got;
  if (trailingBytes != nullptr) {
    *trailingBytes = extra;
  } else if (extra > 0) {
    *defect = "bytes after the end of the zlib stream at offset " + std::to_string(stream.total_in) +
              " (a package is one zlib stream and nothing after it; list and the installer ignore them)";
    return false;
  }
  if (fflush(destination) != 0) {
    *defect = "cannot write the decompressed archive";
    return false;
  }
  return true;
}

}  // namespace talvpkg
