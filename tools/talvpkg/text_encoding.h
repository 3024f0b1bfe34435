// Names in the archive are ISO 8859-1 bytes; on the host they are UTF-8 (Linux) or UTF-16 (Windows). The
// conversions themselves are the system's own (device_name.h).
#pragma once

#include <filesystem>
#include <string>

namespace talvpkg {

// Converts one path component to archive bytes. False (with `problem`) when it holds a character
// outside ISO 8859-1 or is not valid UTF-8.
bool ComponentToArchive(const std::filesystem::path& component, std::string* latin1, std::string* problem);

// The host path component for archive bytes.
std::filesystem::path ArchiveToComponent(const std::string& latin1);

// Archive bytes as UTF-8, for messages and listings.
std::string Latin1ToUtf8(const std::string& latin1);

// Why an archive name or folder name cannot be a name on the handheld (empty when it can), in the words of the
// handheld's one name rule (talv::JudgeName): the emulated handheld refuses exactly these names.
std::string ComponentProblem(const std::string& latin1);

}  // namespace talvpkg
