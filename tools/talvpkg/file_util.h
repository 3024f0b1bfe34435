// Files for the package tool: an owning FILE* and a temporary file beside its final place.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "unique_handle.h"

namespace talvpkg {

namespace fs = std::filesystem;

// Opens `path` with a C mode string; wide on Windows, where MinGW paths are UTF-16.
FILE* OpenFile(const fs::path& path, const char* mode);

// An owning FILE*; Close() tells whether buffered data reached the file.
using UniqueFile = base::UniqueFile;

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
  FILE* get() const { return file_.Get(); }
  const fs::path& path() const { return path_; }
  // Closes the file and renames it to `target`, replacing a file there.
  bool Commit(const fs::path& target, std::string* error);

 private:
  UniqueFile file_;
  fs::path path_;
  bool committed_ = false;
};

// Whether `entry` is a link rather than the file or folder itself: a symbolic link, or on Windows any reparse
// point (file and folder links, junctions), which MinGW's library reports as what it leads to. False with `ec`
// set when the host cannot tell.
bool IsLink(const fs::directory_entry& entry, std::error_code& ec);

// The folder that holds `path` ("." for a bare file name).
fs::path FolderOf(const fs::path& path);

}  // namespace talvpkg
