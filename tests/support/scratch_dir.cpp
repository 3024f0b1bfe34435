#include "scratch_dir.h"

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace talv_test {
namespace {

const fs::path& TemporaryBase() {
  static const fs::path base = fs::temp_directory_path();
  return base;
}

unsigned long ProcessId() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(getpid());
#endif
}

#ifdef _WIN32
// The library's remove_all stops at MAX_PATH and at read-only files; the emulated handheld's paths reach 259
// characters below the device folder.
bool RemoveTreeWin(const std::wstring& given) {
  const bool plain = given.size() > 2 && given[1] == L':' && given[2] == L'\\';
  const std::wstring path = plain ? L"\\\\?\\" + given : given;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? RemoveDirectoryW(path.c_str()) != FALSE
                                                        : DeleteFileW(path.c_str()) != FALSE;
  }
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") RemoveTreeWin(path + L"\\" + name);
    } while (FindNextFileW(search, &data));
    FindClose(search);
  }
  return RemoveDirectoryW(path.c_str()) != FALSE;
}
#endif

}  // namespace

ScratchDir::ScratchDir(const std::string& prefix) {
  // Named by process and count, safe from any thread; a name a killed run left behind is passed over.
  static std::atomic<unsigned> counter{0};
  std::error_code ec;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    path_ = TemporaryBase() / (prefix + "-" + std::to_string(ProcessId()) + "-" + std::to_string(++counter));
    if (fs::create_directory(path_, ec)) return;
  }
  throw std::runtime_error("no scratch folder under " + TemporaryBase().u8string());
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

FILE* OpenHostFile(const fs::path& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wideMode(mode, mode + std::strlen(mode));
  return _wfopen(path.c_str(), wideMode.c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

bool WriteHostFile(const fs::path& path, const std::string& bytes) {
  std::error_code ec;
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
  FILE* file = OpenHostFile(path, "wb");
  if (file == nullptr) return false;
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

bool ReadHostFile(const fs::path& path, std::string* bytes) {
  bytes->clear();
  FILE* file = OpenHostFile(path, "rb");
  if (file == nullptr) return false;
  char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes->append(buffer, got);
  const bool read = !std::ferror(file);
  std::fclose(file);
  return read;
}

bool HostExists(const fs::path& path) {
#ifdef _WIN32
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
#endif
}

bool RemoveTree(const fs::path& path) {
#ifdef _WIN32
  return RemoveTreeWin(path.wstring());
#else
  std::error_code ec;
  fs::remove_all(path, ec);
  return !ec;
#endif
}

ByteFile::ByteFile(const ScratchDir& dir, const std::string& bytes, const char* mode) {
  static std::atomic<int> counter{0};
  const fs::path path = dir.path() / ("bytes-" + std::to_string(++counter));
  if (!WriteHostFile(path, bytes)) throw std::runtime_error("cannot write " + path.u8string());
  file_ = OpenHostFile(path, mode);
  if (file_ == nullptr) throw std::runtime_error("cannot open " + path.u8string());
}

ByteFile::~ByteFile() {
  if (file_ != nullptr) std::fclose(file_);
}

}  // namespace talv_test
