#include "package_facts.h"

namespace talv {

double RequiredMegabytes(uint64_t decompressedBytes) {
  return static_cast<double>(decompressedBytes) / 1024.0 / 1024.0 + 0.5;
}

bool ReadPackageFlags(FILE* archive, unsigned char* product, unsigned char* launcher) {
  int c = fgetc(archive);
  if (c == EOF) return false;
  *product = static_cast<unsigned char>(c);
  c = fgetc(archive);
  if (c == EOF) return false;
  *launcher = static_cast<unsigned char>(c);
  return true;
}

int64_t TellStream(FILE* stream) {
#ifdef _WIN32
  return _ftelli64(stream);
#else
  return static_cast<int64_t>(ftello(stream));
#endif
}

bool StreamSize(FILE* stream, uint64_t* size) {
#ifdef _WIN32
  if (_fseeki64(stream, 0, SEEK_END) != 0) return false;
#else
  if (fseeko(stream, 0, SEEK_END) != 0) return false;
#endif
  const int64_t end = TellStream(stream);
  if (end < 0) return false;
  *size = static_cast<uint64_t>(end);
  return true;
}

}  // namespace talv
