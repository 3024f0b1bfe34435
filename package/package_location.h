// Where the installer finds its package (Windows): the folder of the running program and the first "*.pkg"
// that the directory search returns there. Narrow text is ISO 8859-1, like every path the program keeps.
#pragma once
#include <string>

// The running program's folder, without a trailing backslash.
std::string ExecutableFolder();
// The file name (no folder) of the first "*.pkg" in folder; false when there is none.
bool FindFirstPackage(const std::string& folder, std::string* fileName);
