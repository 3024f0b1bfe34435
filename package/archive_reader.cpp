#include "archive_reader.h"

#include <cstring>

#include "archive_format.h"
#include "package_facts.h"

namespace talv {
namespace {

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Le32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// The installer keeps Name and Folder in zero-filled buffers, so a stray zero byte ends the text there.
std::string UpToZero(const std::string& text, size_t from) {
  if (from >= text.size()) return std::string();
  return std::string(text.c_str() + from);
}

bool IsTagged(const std::string& folder) { return folder.size() >= kTagLength && folder[0] == '[' && folder[4] == ']'; }

}  // namespace

PackageArchiveReader::PackageArchiveReader(FILE* stream) : stream_(stream) {}

bool PackageArchiveReader::Fail(const std::string& what, uint64_t offset) {
  if (error_.empty()) {
    error_ = headerRead_ ? "entry " + std::to_string(entriesRead_) + ": " : std::string();
    error_ += what + " at offset " + std::to_string(offset);
  }
  return false;
}

bool PackageArchiveReader::ReadExactly(void* buffer, size_t size, const char* what) {
  const size_t got = size == 0 ? 0 : fread(buffer, 1, size, stream_);
  offset_ += got;
  if (got == size) return true;
  if (ferror(stream_)) return Fail(std::string("read error in ") + what, offset_);
  return Fail(std::string(what) + " cut short", offset_);
}

bool PackageArchiveReader::ReadHeader() {
  if (Failed() || headerRead_) return false;
  startPosition_ = TellStream(stream_);
  unsigned char header[kArchiveHeaderSize];
  if (!ReadExactly(header, sizeof header, "header")) return false;
  productFlag_ = header[0];
  launcherFlag_ = header[1];
  entryCount_ = Le16(header + 4);
  headerRead_ = true;
  return true;
}

bool PackageArchiveReader::ReadEntry(ArchiveEntry* entry) {
  if (Failed() || !headerRead_) return false;
  if (dataPending_) return Fail("data of the previous entry not consumed", offset_);
  if (entriesRead_ >= entryCount_) return Fail("read past the last entry", offset_);
  ++entriesRead_;

  const uint64_t fieldsOffset = offset_;
  unsigned char fields[kEntryHeaderSize];
  if (!ReadExactly(fields, sizeof fields, "entry header")) return false;
  const uint16_t nameLength = Le16(fields);
  const uint16_t folderLength = Le16(fields + 2);
  if (nameLength > kMaxTextLength) {
    return Fail("name length " + std::to_string(nameLength) + " over 259", fieldsOffset);
  }
  if (folderLength > kMaxTextLength) {
    return Fail("folder length " + std::to_string(folderLength) + " over 259", fieldsOffset + 2);
  }
  entry->dataSize = Le32(fields + 4);

  char text[kMaxTextLength];
  if (!ReadExactly(text, nameLength, "name")) return false;
  entry->name.assign(text, nameLength);
  if (!ReadExactly(text, folderLength, "folder")) return false;
  entry->folder.assign(text, folderLength);
  dataPending_ = true;
  return true;
}

bool PackageArchiveReader::ExpectData(const char* caller) {
  if (Failed()) return false;
  if (!dataPending_) return Fail(std::string(caller) + " without an entry", offset_);
  dataPending_ = false;
  return true;
}

bool PackageArchiveReader::SkipData(const ArchiveEntry& entry) {
  if (!ExpectData("SkipData")) return false;
  unsigned char buffer[16384];
  uint32_t left = entry.dataSize;
  while (left > 0) {
    const size_t chunk = left < sizeof buffer ? left : sizeof buffer;
    if (!ReadExactly(buffer, chunk, "data")) return false;
    left -= static_cast<uint32_t>(chunk);
  }
  return true;
}

bool PackageArchiveReader::DataConsumed(const ArchiveEntry& entry) {
  if (!ExpectData("DataConsumed")) return false;
  const uint64_t expectedEnd = offset_ + entry.dataSize;
  if (ferror(stream_)) return Fail("read error in data", expectedEnd);
  const int64_t position = startPosition_ < 0 ? -1 : TellStream(stream_);
  if (position < startPosition_ || startPosition_ < 0) {
    // A stream that cannot tell its position still marks a copy that ran into the end of the file.
    if (feof(stream_)) return Fail("data cut short", expectedEnd);
    offset_ = expectedEnd;
    return true;
  }
  const uint64_t actualEnd = static_cast<uint64_t>(position - startPosition_);
  if (actualEnd < expectedEnd) {
    offset_ = actualEnd;
    return Fail("data cut short", actualEnd);
  }
  if (actualEnd > expectedEnd) return Fail("data read past its end", expectedEnd);
  offset_ = expectedEnd;
  return true;
}

std::string TagCode(const std::string& folder) { return IsTagged(folder) ? folder.substr(1, 3) : std::string(); }

EntryPlan PlanEntry(const ArchiveEntry& entry, const ArchiveBases& bases) {
  EntryPlan plan;
  if (!IsTagged(entry.folder)) return plan;
  plan.tagged = true;

  const std::string code = TagCode(entry.folder);
  const std::string* base = nullptr;
  if (code == "PRG")
    base = &bases.program;
  else if (code == "DOC")
    base = &bases.documents;
  else if (code == "WIN")
    base = &bases.windows;
  else if (code == "HLP")
    base = &bases.help;
  const std::string prefix = base != nullptr ? *base : std::string();

  const std::string relative = UpToZero(entry.folder, kTagLength);
  for (size_t at = relative.find('\\'); at != std::string::npos; at = relative.find('\\', at + 1)) {
    plan.folderLevels.push_back(prefix + relative.substr(0, at));
  }
  plan.devicePath = prefix + relative + UpToZero(entry.name, 0);
  plan.pathTooLong = plan.devicePath.size() > kMaxDevicePathLength;
  return plan;
}

}  // namespace talv
