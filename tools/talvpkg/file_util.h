// Files for the package tool: an owning FILE* and a temporary file beside its final place.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace talvpkg {

namespace fs = std::filesystem;

// Opens `path` with a C mode string; wide on Windows, where MinGW paths are UTF-16.
FILE* OpenFile(const fs::path& path, const char* mode);

// Move-only owner of a FILE*.
class UniqueFile {
 public:
  UniqueFile() = default;
  explicit UniqueFile(FILE* file) : file_(file) {}
  ~UniqueFile() { Close(); }
  UniqueFile(UniqueFile&& other) noexcept : file_(other.file_) { other.file_ = nullptr; }
  UniqueFile& operator=(UniqueFile&& other) noexcept;
  UniqueFile(const UniqueFile&) = delete;
  UniqueFile& operator=(const UniqueFile&) = delete;

  FILE* get() const { return file_; }
  explicit operator bool() const { return file_ != nullptr; }
  // Closes the file; false when buffered data could not be written.
  bool Close();

 private:
  FILE* file_ = nullptr;
};

// A file created with a unique hidden name in `folder`, removed on destruction unless committed (renamed
// to its final name). Large intermediate results go here rather than into memory.
class TempFile {
 public:
  TempFile() = default;
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Creates the file for reading and writing. False (with `error`) when it cannot be created.
  bool Create(const fs::path& folder, std::string* error);
  FILE* get() const { return file_.get(); }
  const fs::path& path() const { return path_; }
  // Closes the file and renames it to `target`, replacing a file there.
  bool Commit(const fs::path& target, std::string* error);

 private:
  UniqueFile file_;
  fs::path path_;
  bool committed_ = false;
};

// The folder that holds `path` ("." for a bare file name).
fs::path FolderOf(const fs::path& path);

}  // namespace talvpkg
