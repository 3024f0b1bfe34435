// The one way the tests make packages: the product's own ArchiveWriter, compressed by its DeflateSink, so a test
// package is laid out exactly as talvpkg lays out a vendor's. Damaged archives, which the writer refuses to
// make, are spelt out byte by byte with the raw encoders at the end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive_writer.h"
#include "deflate_sink.h"
#include "scratch_dir.h"

namespace talv_test {

struct PackageEntry {
  std::string name;
  std::string folder;  // tag and relative folder, e.g. "[PRG]Maps\"
  std::string data;
};

// The archive (the decompressed package) of these entries. Throws what the writer refuses (text over 259
// bytes, more than 65,535 entries): a test that wants such an archive spells it out with the raw encoders.
std::string ArchiveBytes(unsigned char productFlag, unsigned char launcherFlag,
                         const std::vector<PackageEntry>& entries);

// A package file: `archiveBytes` as one zlib stream of the given level.
bool WritePackage(const fs::path& path, const std::string& archiveBytes, int level = 9);
bool WritePackage(const fs::path& path, unsigned char productFlag, unsigned char launcherFlag,
                  const std::vector<PackageEntry>& entries);

// A package written as it streams, for packages too large to hold: write through writer(), then Finish().
class PackageFile {
 public:
  explicit PackageFile(const fs::path& path, int level = 9);
  ~PackageFile();
  PackageFile(const PackageFile&) = delete;
  PackageFile& operator=(const PackageFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  talv::ArchiveWriter& writer() { return *writer_; }  // only while IsOpen()
  talv::ByteSink& sink() { return *sink_; }           // for archives the writer would refuse
  // Writes `count` zero bytes of data through the writer.
  bool WriteZeros(uint64_t count);
  // Ends the stream and closes the file; false when anything on the way failed.
  bool Finish();

 private:
  FILE* file_ = nullptr;
  std::unique_ptr<talv::DeflateSink> sink_;
  std::unique_ptr<talv::ArchiveWriter> writer_;
};

// Raw archive bytes, little-endian as the format wants them, for archives the writer refuses to make.
std::string Le16(uint16_t value);
std::string Le32(uint32_t value);
std::string ArchiveHeader(unsigned char product, unsigned char launcher, uint16_t entryCount);
std::string EntryBytes(const std::string& name, const std::string& folder, const std::string& data);

// A zlib stream of `data` made in one call, with a preset dictionary when `dictionary` is not empty.
std::string Compress(const std::string& data, int level = 9, const std::string& dictionary = "");

// `size` bytes that compress badly (a fixed pseudo-random sequence from `salt`).
std::string NoiseBytes(size_t size, uint32_t salt);

}  // namespace talv_test
