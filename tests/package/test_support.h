// Helpers for the package tests: scratch folders, byte files, archive and zlib bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace package_test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it on destruction.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / fs::u8path(name); }

 private:
  fs::path path_;
};

// Writes `bytes` to `path` (creating its folders); reads a whole file back.
void WriteFile(const fs::path& path, const std::string& bytes);
std::string ReadFile(const fs::path& path);

// Opens a file with a C mode on both hosts (wide on Windows).
FILE* Open(const fs::path& path, const char* mode);

// Owns a FILE* opened on a file holding `bytes`.
class ByteFile {
 public:
  ByteFile(const ScratchDir& dir, const std::string& bytes, const char* mode = "rb");
  ~ByteFile();
  ByteFile(const ByteFile&) = delete;
  ByteFile& operator=(const ByteFile&) = delete;
  FILE* get() const { return file_; }

 private:
  FILE* file_ = nullptr;
};

// Archive bytes, little-endian as the format wants them.
std::string Le16(uint16_t value);
std::string Le32(uint32_t value);
std::string ArchiveHeader(unsigned char product, unsigned char launcher, uint16_t entryCount);
std::string EntryBytes(const std::string& name, const std::string& folder, const std::string& data);

// A zlib stream of `data` at the given level; with a dictionary when `dictionary` is not empty.
std::string Compress(const std::string& data, int level = 9, const std::string& dictionary = "");

// `size` bytes that compress badly (a fixed pseudo-random sequence from `salt`).
std::string NoiseBytes(size_t size, uint32_t salt);

}  // namespace package_test
