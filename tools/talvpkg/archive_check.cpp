#include "archive_check.h"

#include "archive_format.h"

namespace talvpkg {

bool CheckArchive(FILE* stream, const HeaderVisitor& onHeader, const EntryVisitor& onEntry, ArchiveSummary* summary,
                  std::string* defect, uint64_t* bytesAfterLastEntry) {
  talv::PackageArchiveReader reader(stream);
  if (!reader.ReadHeader()) {
    *defect = reader.Error();
    return false;
  }
  *summary = ArchiveSummary();
  summary->productFlag = reader.ProductFlag();
  summary->launcherFlag = reader.LauncherFlag();
  summary->entryCount = reader.EntryCount();
  if (onHeader) onHeader(*summary);

  for (uint32_t i = 0; i < reader.EntryCount(); ++i) {
    talv::ArchiveEntry entry;
    const uint64_t entryOffset = reader.Offset();
    if (!reader.ReadEntry(&entry)) {
      *defect = reader.Error();
      return false;
    }
    if (talv::TagCode(entry.folder).empty() && entry.dataSize != 0) {
      *defect =
          "entry " + std::to_string(i + 1) + ": untagged entry with data at offset " + std::to_string(entryOffset);
      return false;
    }
    VisitResult result = onEntry ? onEntry(entry, stream, defect) : VisitResult::kSkip;
    if (result == VisitResult::kStop) return false;
    const bool consumed = result == VisitResult::kConsumed ? reader.DataConsumed(entry) : reader.SkipData(entry);
    if (!consumed) {
      *defect = reader.Error();
      return false;
    }
    summary->dataBytes += entry.dataSize;
  }
  summary->archiveBytes = reader.Offset();
  uint64_t extra = 0;
  unsigned char buffer[16384];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, stream)) > 0;) extra += got;
  if (bytesAfterLastEntry != nullptr) {
    *bytesAfterLastEntry = extra;
  } else if (extra > 0) {
    *defect = "bytes after the last entry at offset " + std::to_string(reader.Offset()) +
              " (the archive ends with its last entry; list and the installer ignore them)";
    return false;
  }
  return true;
}

}  // namespace talvpkg
