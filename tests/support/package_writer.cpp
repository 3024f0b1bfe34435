#include "package_writer.h"

#include <zlib.h>

#include <random>
#include <stdexcept>

namespace talv_test {
namespace {

class StringSink : public talv::ByteSink {
 public:
  bool Write(const void* data, size_t size) override {
    bytes.append(static_cast<const char*>(data), size);
    return true;
  }
  std::string bytes;
};

bool WriteEntries(talv::ArchiveWriter* writer, unsigned char productFlag, unsigned char launcherFlag,
                  const std::vector<PackageEntry>& entries) {
  if (entries.size() > 0xFFFF) return false;
  if (!writer->WriteHeader(productFlag, launcherFlag, static_cast<uint16_t>(entries.size()))) return false;
  for (const PackageEntry& entry : entries)
    if (!writer->WriteEntry(entry.name, entry.folder, entry.data)) return false;
  return writer->Finish();
}

}  // namespace

std::string ArchiveBytes(unsigned char productFlag, unsigned char launcherFlag,
                         const std::vector<PackageEntry>& entries) {
  StringSink sink;
  talv::ArchiveWriter writer(&sink);
  if (!WriteEntries(&writer, productFlag, launcherFlag, entries))
    throw std::invalid_argument("the archive writer refuses this archive: " + writer.Error());
  return sink.bytes;
}

PackageFile::PackageFile(const fs::path& path, int level) : file_(OpenHostFile(path, "wb")) {
  if (file_ == nullptr) return;
  sink_ = std::make_unique<talv::DeflateSink>(file_, level);
  writer_ = std::make_unique<talv::ArchiveWriter>(sink_.get());
}

PackageFile::~PackageFile() {
  writer_.reset();
  sink_.reset();
  if (file_ != nullptr) std::fclose(file_);
}

bool PackageFile::WriteZeros(uint64_t count) {
  static const std::string zeros(1 << 20, '\0');
  while (count > 0) {
    const size_t chunk = count < zeros.size() ? static_cast<size_t>(count) : zeros.size();
    if (writer_ == nullptr || !writer_->WriteData(zeros.data(), chunk)) return false;
    count -= chunk;
  }
  return true;
}

bool PackageFile::Finish() {
  if (file_ == nullptr || !sink_->Finish()) return false;
  FILE* file = file_;
  file_ = nullptr;
  return std::fclose(file) == 0;
}

bool WritePackage(const fs::path& path, const std::string& archiveBytes, int level) {
  PackageFile package(path, level);
  return package.IsOpen() && package.sink().Write(archiveBytes.data(), archiveBytes.size()) && package.Finish();
}

bool WritePackage(const fs::path& path, unsigned char productFlag, unsigned char launcherFlag,
                  const std::vector<PackageEntry>& entries) {
  return WritePackage(path, ArchiveBytes(productFlag, launcherFlag, entries));
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

}  // namespace talv_test
