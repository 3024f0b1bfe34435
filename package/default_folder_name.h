// The default name of the installation folder on the handheld.
#pragma once

#include <string>

namespace talv {

// Derives the folder name (no trailing backslash) from the package file name that the directory search
// found beside the executable (nullptr when there is none) and the two package flags. A launcher
// installation keeps the name only up to the first "20" and the two characters after it, and goes below
// PROGRAM\<product>\.
std::string DefaultFolderName(const char* packageFileName, bool productA, bool launcherInstall);

}  // namespace talv
