#include "test_support.h"

#include <zlib.h>

#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace package_test {

ScratchDir::ScratchDir() {
  static std::mt19937_64 random(std::random_device{}());
  const fs::path base = fs::temp_directory_path();
  do {
    path_ = base / ("talv-pkg-test-" + std::to_string(random() % 1000000000ull));
  } while (fs::exists(path_));
  fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.u8string());
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

FILE* Open(const fs::path& path, const char* mode) {
#ifdef _WIN32
  std::wstring wideMode(mode, mode + strlen(mode));
  return _wfopen(path.c_str(), wideMode.c_str());
#else
  return fopen(path.c_str(), mode);
#endif
}

ByteFile::ByteFile(const ScratchDir& dir, const std::string& bytes, const char* mode) {
  static int counter = 0;
  const fs::path path = dir.path() / ("bytes-" + std::to_string(++counter));
  WriteFile(path, bytes);
  file_ = Open(path, mode);
  if (file_ == nullptr) throw std::runtime_error("cannot open " + path.u8string());
}

ByteFile::~ByteFile() {
  if (file_ != nullptr) fclose(file_);
}

std::string Le16(uint16_t value) { return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)}; }

std::string Le32(uint32_t value) {
  return Le16(static_cast<uint16_t>(value)) + Le16(static_cast<uint16_t>(value >> 16));
}

std::string ArchiveHeader(unsigned char product, unsigned char launcher, uint16_t entryCount) {
  return std::string{static_cast<char>(product), static_cast<char>(launcher), 0, 0} + Le16(entryCount);
}

std::string EntryBytes(const std::string& name, const std::string& folder, const std::string& data) {
  return Le16(static_cast<uint16_t>(name.size())) + Le16(static_cast<uint16_t>(folder.size())) +
         Le32(static_cast<uint32_t>(data.size())) + name + folder + data;
}

std::string Compress(const std::string& data, int level, const std::string& dictionary) {
  z_stream stream = {};
  if (deflateInit(&stream, level) != Z_OK) throw std::runtime_error("deflateInit");
  if (!dictionary.empty()) {
    deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary.data()),
                         static_cast<uInt>(dictionary.size()));
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  const int ret = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (ret != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

std::string NoiseBytes(size_t size, uint32_t salt) {
  std::mt19937 random(salt);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

}  // namespace package_test
