// talvpkg build: a package from a source folder, compressed as it is written.
#pragma once

#include <filesystem>
#include <string>

namespace talvpkg {

struct BuildOptions {
  bool productA = true;
  bool launcher = false;
  std::filesystem::path output;
  std::filesystem::path sourceDir;
};

// Writes the package through a temporary file beside `output`, which replaces `output` only when
// everything succeeded; on failure nothing is left behind. `entries` receives the number of entries.
bool BuildPackage(const BuildOptions& options, std::string* error, size_t* entries = nullptr);

}  // namespace talvpkg
