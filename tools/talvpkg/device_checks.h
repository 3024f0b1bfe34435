// What verify checks beyond the format: that the handheld will take every entry the installer copies.
#pragma once

#include <string>

#include "archive_reader.h"

namespace talvpkg {

// Why the handheld would refuse a tagged entry's names (empty when it takes them), by the one name rule
// (talv::JudgeName): the Name as one file name, and each folder of the relative folder as the handheld reads
// it (split at each backslash, empty parts dropped). Untagged entries create nothing: empty.
std::string EntryNameProblem(const talv::ArchiveEntry& entry);

}  // namespace talvpkg
