// Where the installer finds its package (Windows): the folder of the running program and the first "*.pkg"
// that the directory search returns there. Both are host paths and stay UTF-16: a folder or package name
// outside the ANSI code page must not lose characters on the way to the file calls.
#pragma once
#include <string>

// The running program's folder, without a trailing backslash.
std::wstring ExecutableFolder();
// The file name (no folder) of the first "*.pkg" in folder; false when there is none.
bool FindFirstPackage(const std::wstring& folder, std::wstring* fileName);
