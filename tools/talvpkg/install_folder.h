// The folder a package installs into below the destination the user picks, by the installer's own rule, and
// whether its file name makes a folder a vendor would expect (talvpkg folder, scripts/release.sh).
#pragma once

#include <string>

namespace talvpkg {

struct InstallFolder {
  std::string
      folder;  // as the installer derives it, UTF-8, without trailing backslash: "PROGRAM\Talvenia\Talvenia2016"
  std::string problem;  // why the name would surprise its vendor; empty when it would not
};

// packageFileName is the package's file name (UTF-8, with ".pkg").
InstallFolder CheckInstallFolder(const std::string& packageFileName, bool productA, bool launcher);

}  // namespace talvpkg
