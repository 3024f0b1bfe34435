// Reads a decompressed archive from start to end with the installer's reader, checking everything a
// package tool can: the header, every entry's fields and data, untagged entries carrying data and
// bytes after the last entry.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "archive_reader.h"

namespace talvpkg {

struct ArchiveSummary {
  unsigned char productFlag = 0;
  unsigned char launcherFlag = 0;
  uint16_t entryCount = 0;
  uint64_t dataBytes = 0;
  uint64_t archiveBytes = 0;
};

// Called with each entry once its fields are read, while `stream` stands at its Data. The visitor either
// consumes exactly entry.dataSize bytes itself and returns kConsumed, or returns kSkip to let the check
// skip them; kStop ends the walk with the visitor's `defect`.
enum class VisitResult { kSkip, kConsumed, kStop };
using EntryVisitor = std::function<VisitResult(const talv::ArchiveEntry& entry, FILE* stream, std::string* defect)>;
// Called once the header is read.
using HeaderVisitor = std::function<void(const ArchiveSummary& summary)>;

// False with the first defect and its offset. Bytes after the last entry are a defect unless
// `bytesAfterLastEntry` is given: it then receives their number, as the installer never reads them.
bool CheckArchive(FILE* stream, const HeaderVisitor& onHeader, const EntryVisitor& onEntry, ArchiveSummary* summary,
                  std::string* defect, uint64_t* bytesAfterLastEntry = nullptr);

}  // namespace talvpkg
