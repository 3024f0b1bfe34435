// The files of a package source folder: PRG\, DOC\, WIN\ and HLP\, each becoming entries with that tag.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive_format.h"

namespace talvpkg {

struct SourceFile {
  std::filesystem::path path;  // on the host
  std::string folder;          // archive Folder: tag and relative folder, e.g. "[PRG]Maps\Italy\"
  std::string name;            // archive Name
  uint64_t size = 0;
  int tagIndex = 0;  // position of the tag in kKnownTags, the first sort key
};

// Collects every file below the tag folders of `sourceDir`, sorted by tag, folder and name (archive
// bytes). False, with `error` naming the culprit, for anything a package cannot hold: an unknown
// top-level folder or a file at top level, names the handheld cannot store, text over 259 bytes, files
// of 4 GiB or more, more than `maxEntries` files (65,535, the most an archive can count), a symbolic link,
// a device file, a folder that cannot be read, or a source without any file. Empty folders, which the format
// cannot hold, are left out and named in `notes`.
bool CollectSourceFiles(const std::filesystem::path& sourceDir, std::vector<SourceFile>* files, std::string* error,
                        size_t maxEntries = talv::kMaxEntryCount, std::vector<std::string>* notes = nullptr);

}  // namespace talvpkg
