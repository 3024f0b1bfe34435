// A folder of a test's own under the system's temporary folder, and the host file helpers the tests share.
// Paths are std::filesystem paths on both hosts (UTF-16 on Windows), so names outside ASCII stay exact.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace talv_test {

namespace fs = std::filesystem;

// A fresh folder, removed with everything in it on destruction. The base is the temporary folder as it was at
// the first scratch folder of the process: tests point TMP elsewhere for the program under test.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& prefix = "talv-test");
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& utf8Name) const { return path_ / fs::u8path(utf8Name); }

 private:
  fs::path path_;
};

// Opens a host file with a C mode (wide on Windows).
FILE* OpenHostFile(const fs::path& path, const char* mode);
// Writes `bytes` to `path`, creating its folders; false when it cannot.
bool WriteHostFile(const fs::path& path, const std::string& bytes);
// The whole file; false (bytes empty) when it cannot be read.
bool ReadHostFile(const fs::path& path, std::string* bytes);
bool HostExists(const fs::path& path);
// Removes a file or a folder with everything in it, read-only files and paths beyond MAX_PATH included.
bool RemoveTree(const fs::path& path);

// Owns a FILE* opened on a new file of `dir` holding `bytes`.
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

}  // namespace talv_test
