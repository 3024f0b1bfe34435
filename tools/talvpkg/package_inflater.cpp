#include "package_inflater.h"

#include "inflate_package.h"

namespace talvpkg {
namespace {

// A stream that fails before its first block ends inside the zlib header: the file is something else.
bool EndedInHeader(const talv::InflateResult& result) {
  return (result.failure == talv::InflateFailure::kCutShort || result.failure == talv::InflateFailure::kDamaged) &&
         result.offset <= 2;
}

std::string Describe(const talv::InflateResult& result) {
  const std::string offset = std::to_string(result.offset);
  switch (result.failure) {
    case talv::InflateFailure::kNone: return std::string();
    case talv::InflateFailure::kInit: return "zlib: cannot initialise";
    case talv::InflateFailure::kRead: return "read error in the package";
    case talv::InflateFailure::kWrite: return "cannot write the decompressed archive";
    case talv::InflateFailure::kCutShort:
      return "zlib stream cut short at offset " + offset + (result.offset == 0 ? " (the file is empty)" : "");
    case talv::InflateFailure::kDictionary: return "zlib stream needs a preset dictionary (offset " + offset + ")";
    case talv::InflateFailure::kDamaged:
    case talv::InflateFailure::kMemory: break;
  }
  return "zlib stream damaged at offset " + offset + " (" +
         (result.zlibMessage.empty() ? "error " + std::to_string(result.code) : result.zlibMessage) + ")";
}

}  // namespace

bool InflateChecked(FILE* source, FILE* destination, std::string* defect, uint64_t* trailingBytes) {
  const talv::InflateResult result = talv::InflateStream(source, destination, true);
  if (result.failure != talv::InflateFailure::kNone) {
    *defect = (EndedInHeader(result) ? "not a package made by talvpkg: " : "") + Describe(result);
    return false;
  }
  if (trailingBytes != nullptr) {
    *trailingBytes = result.bytesAfterStream;
  } else if (result.bytesAfterStream > 0) {
    *defect = "bytes after the end of the zlib stream at offset " + std::to_string(result.offset) +
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
