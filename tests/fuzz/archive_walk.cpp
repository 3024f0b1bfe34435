#include "archive_walk.h"

#include <cstdlib>

#include "archive_format.h"
#include "archive_reader.h"
#include "package_facts.h"

namespace {

void Require(bool condition) {
  if (!condition) abort();
}

}  // namespace

void WalkArchive(FILE* stream) {
  talv::PackageArchiveReader reader(stream);
  const talv::ArchiveBases bases{"\\Storage Card\\Talvenia2016_full\\", "\\Documenti\\", "\\Windows\\",
                                 "\\Windows\\Help\\"};
  if (!reader.ReadHeader()) {
    Require(!reader.Error().empty());
    return;
  }
  // Copy the way the worker does: through the caller's own reads, never more than dataSize.
  for (uint32_t i = 0; i < reader.EntryCount(); ++i) {
    talv::ArchiveEntry entry;
    if (!reader.ReadEntry(&entry)) break;
    Require(entry.name.size() <= talv::kMaxTextLength && entry.folder.size() <= talv::kMaxTextLength);
    const talv::EntryPlan plan = talv::PlanEntry(entry, bases);
    Require(plan.pathTooLong == (plan.devicePath.size() >= 260));
    for (const std::string& level : plan.folderLevels) Require(level.size() < plan.devicePath.size());
    if (!plan.tagged || plan.pathTooLong || (entry.dataSize & 1)) {
      if (!reader.SkipData(entry)) break;
      continue;
    }
    unsigned char buffer[4096];
    uint32_t left = entry.dataSize;
    while (left > 0) {
      const size_t want = left < sizeof buffer ? left : sizeof buffer;
      const size_t got = fread(buffer, 1, want, stream);
      left -= static_cast<uint32_t>(got);
      if (got < want) break;
    }
    if (!reader.DataConsumed(entry)) {
      Require(left > 0);  // a complete copy must never be reported as cut short
      break;
    }
    Require(left == 0);
  }
  // The reader never reads ahead: the stream stands where its count says.
  const int64_t position = talv::TellStream(stream);
  Require(position < 0 || static_cast<uint64_t>(position) == reader.Offset());
  Require(reader.Failed() || reader.EntriesRead() == reader.EntryCount());
  Require(reader.Failed() == !reader.Error().empty());
}
