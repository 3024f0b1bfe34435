#include "source_tree.h"

#include <algorithm>
#include <system_error>

#include "archive_format.h"
#include "file_util.h"
#include "text_encoding.h"

namespace talvpkg {
namespace fs = std::filesystem;
namespace {

int TagIndex(const std::string& name) {
  for (int i = 0; i < 4; ++i) {
    if (name == talv::kKnownTags[i]) return i;
  }
  return -1;
}

// Walks one tag folder; `relative` is the archive form of the folder below the tag, with trailing
// backslash.
bool CollectFolder(const fs::path& folder, int tagIndex, const std::string& relative, size_t maxEntries,
                   std::vector<SourceFile>* files, std::vector<std::string>* notes, std::string* error) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  bool empty = true;
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    empty = false;
    const fs::path& path = it->path();
    std::string name, problem;
    if (!ComponentToArchive(path.filename(), &name, &problem) || !(problem = ComponentProblem(name)).empty()) {
      *error = path.u8string() + ": the name holds " + problem;
      return false;
    }
    // The tree is read as it is: a link would put another file's contents, or a folder twice, into the package.
    if (IsLink(*it, ec) || ec) {
      *error =
          path.u8string() + (ec ? ": " + ec.message() : ": is a symbolic link or junction; a package holds files only");
      return false;
    }
    const fs::file_status status = it->status(ec);
    if (ec) break;
    if (fs::is_directory(status)) {
      if (!CollectFolder(path, tagIndex, relative + name + "\\", maxEntries, files, notes, error)) return false;
      continue;
    }
    if (!fs::is_regular_file(status)) {
      *error = path.u8string() + ": is a device file, pipe or socket, not a regular file";
      return false;
    }
    SourceFile file;
    file.path = path;
    file.folder = std::string("[") + talv::kKnownTags[tagIndex] + "]" + relative;
    file.name = name;
    file.tagIndex = tagIndex;
    file.size = fs::file_size(path, ec);
    if (ec) break;
    if (file.name.size() > talv::kMaxTextLength) {
      *error = path.u8string() + ": the name is over 259 bytes";
      return false;
    }
    if (file.folder.size() > talv::kMaxTextLength) {
      *error = path.u8string() + ": the folder (with its tag) is over 259 bytes";
      return false;
    }
    if (file.size > UINT32_MAX) {
      *error = path.u8string() + ": files of 4 GiB or more do not fit a package";
      return false;
    }
    files->push_back(std::move(file));
    if (files->size() > maxEntries) {
      *error = "more than " + std::to_string(maxEntries) + " files: a package holds at most " +
               std::to_string(maxEntries) + " entries";
      return false;
    }
  }
  if (ec) {
    *error = folder.u8string() + ": " + ec.message();
    return false;
  }
  if (empty && notes != nullptr)
    notes->push_back(folder.u8string() + ": an empty folder, left out (a package holds no empty folders)");
  return true;
}

}  // namespace

bool CollectSourceFiles(const fs::path& sourceDir, std::vector<SourceFile>* files, std::string* error,
                        size_t maxEntries, std::vector<std::string>* notes) {
  files->clear();
  std::error_code ec;
  if (!fs::is_directory(sourceDir, ec)) {
    *error = sourceDir.u8string() + (fs::exists(sourceDir, ec) ? ": not a folder" : ": no such folder");
    return false;
  }
  fs::directory_iterator it(sourceDir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string top = it->path().filename().u8string();
    const int tagIndex = TagIndex(top);
    if (IsLink(*it, ec)) {
      *error = it->path().u8string() + ": is a symbolic link or junction; a package holds files only";
      return false;
    }
    if (tagIndex < 0 || !it->is_directory(ec)) {
      *error = it->path().u8string() + ": only the folders PRG, DOC, WIN and HLP may stand in the source folder";
      return false;
    }
    if (!CollectFolder(it->path(), tagIndex, std::string(), maxEntries, files, notes, error)) return false;
  }
  if (ec) {
    *error = sourceDir.u8string() + ": " + ec.message();
    return false;
  }
  if (files->empty()) {
    *error = sourceDir.u8string() + ": holds no files, and a package needs at least one";
    return false;
  }
  std::sort(files->begin(), files->end(), [](const SourceFile& a, const SourceFile& b) {
    if (a.tagIndex != b.tagIndex) return a.tagIndex < b.tagIndex;
    if (a.folder != b.folder) return a.folder < b.folder;
    return a.name < b.name;
  });
  return true;
}

}  // namespace talvpkg
