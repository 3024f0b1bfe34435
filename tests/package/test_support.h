// The package tests' names for the shared test support: scratch folders, host files, archive and zlib bytes.
#pragma once

#include <stdexcept>
#include <string>

#include "package_writer.h"
#include "scratch_dir.h"

namespace package_test {

namespace fs = std::filesystem;

using talv_test::ArchiveHeader;
using talv_test::ByteFile;
using talv_test::Compress;
using talv_test::EntryBytes;
using talv_test::Le16;
using talv_test::Le32;
using talv_test::NoiseBytes;
using talv_test::ScratchDir;

inline FILE* Open(const fs::path& path, const char* mode) { return talv_test::OpenHostFile(path, mode); }

inline void WriteFile(const fs::path& path, const std::string& bytes) {
  if (!talv_test::WriteHostFile(path, bytes)) throw std::runtime_error("cannot write " + path.u8string());
}

inline std::string ReadFile(const fs::path& path) {
  std::string bytes;
  talv_test::ReadHostFile(path, &bytes);
  return bytes;
}

}  // namespace package_test
