#include "file_util.h"

#include <chrono>
#include <cstring>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace talvpkg {

FILE* OpenFile(const fs::path& path, const char* mode) {
#ifdef _WIN32
  std::wstring wideMode(mode, mode + strlen(mode));
  return _wfopen(path.c_str(), wideMode.c_str());
#else
  return fopen(path.c_str(), mode);
#endif
}

TempFile::~TempFile() {
  file_.Close();
  if (!committed_ && !path_.empty()) {
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
}

bool TempFile::Create(const fs::path& folder, std::string* error) {
  std::random_device device;
  std::mt19937_64 random(device() ^ static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  for (int attempt = 0; attempt < 16; ++attempt) {
    const fs::path candidate = folder / (".talvpkg-" + std::to_string(random() % 1000000000000ull) + ".tmp");
    std::error_code ec;
    if (fs::exists(candidate, ec)) continue;
    FILE* file = OpenFile(candidate, "w+b");
    if (file != nullptr) {
      file_ = UniqueFile(file);
      path_ = candidate;
      return true;
    }
  }
  *error = "cannot create a temporary file in " + folder.u8string();
  return false;
}

bool TempFile::Commit(const fs::path& target, std::string* error) {
  if (!file_.Close()) {
    *error = "cannot write " + path_.u8string();
    return false;
  }
  std::error_code ec;
  if (fs::is_directory(target, ec)) {
    *error = target.u8string() + ": is a folder, which a package never replaces";
    return false;
  }
  fs::rename(path_, target, ec);
  if (ec) {
    // Some Windows runtimes do not replace an existing file on rename.
    std::error_code ignored;
    fs::remove(target, ignored);
    fs::rename(path_, target, ec);
  }
  if (ec) {
    *error = "cannot create " + target.u8string() + ": " + ec.message();
    return false;
  }
  committed_ = true;
  return true;
}

bool IsLink(const fs::directory_entry& entry, std::error_code& ec) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesW(entry.path().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    ec = std::error_code(static_cast<int>(GetLastError()), std::system_category());
    return false;
  }
  ec.clear();
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
  return entry.is_symlink(ec);
#endif
}

fs::path FolderOf(const fs::path& path) {
  const fs::path parent = path.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

}  // namespace talvpkg
