// talvpkg build: a package from a source folder, compressed as it is written.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace talvpkg {

struct BuildOptions {
  bool productA = true;
  bool launcher = false;
  std::filesystem::path output;
  std::filesystem::path sourceDir;
};

// Writes the package through a temporary file beside `output`, which replaces `output` (never a folder) only
// when everything succeeded; on failure nothing is left behind. Refuses what verify would refuse: names and
// device paths the handheld would not take, and two files it takes for one (a host that tells letter case apart
// holds both), for the install folder the output's file name makes. `entries`
// receives the number of entries; `warnings` what the package lacks or leaves out (the program the
// installation starts, empty folders), which does not stop the build. `destination`: the Latin-1 root the
// device paths are checked below; empty for the one verify assumes.
bool BuildPackage(const BuildOptions& options, std::string* error, size_t* entries = nullptr,
                  std::vector<std::string>* warnings = nullptr, const std::string& destination = std::string());

}  // namespace talvpkg
