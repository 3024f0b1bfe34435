// Step-wise reader of the package archive over a non-owning FILE* that is read strictly sequentially.
//
// The installation worker interleaves its own steps (interrupt check, progress, log) between the reader's
// steps, and copies each entry's data itself:
//
//   PackageArchiveReader reader(stream);
//   if (!reader.ReadHeader()) -> damaged (reader.Error())
//   for (i = 0; i < reader.EntryCount(); ++i) {
//     ArchiveEntry entry;
//     if (!reader.ReadEntry(&entry)) -> damaged
//     EntryPlan plan = PlanEntry(entry, bases);
//     if (!plan.tagged || plan.pathTooLong) { reader.SkipData(entry) ... continue; }
//     create plan.folderLevels in order; copy entry.dataSize bytes of the stream to plan.devicePath;
//     if (!reader.DataConsumed(entry)) -> damaged (data cut short)
//   }
//
// Every read is checked: a header, field or Data that ends early, or a Name or Folder longer than 259
// bytes, makes the archive damaged; the first defect is kept in Error() with its byte offset and every
// later call fails. Bytes after the last entry are never read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace talv {

struct ArchiveEntry {
  std::string name;
  std::string folder;  // tag and relative folder, e.g. "[PRG]Maps\Italy\"
  uint32_t dataSize = 0;
};

// Base folders on the device; each ends with a backslash (or is empty).
struct ArchiveBases {
  std::string program;    // [PRG]: the install folder
  std::string documents;  // [DOC]
  std::string windows;    // [WIN]
  std::string help;       // [HLP]
};

struct EntryPlan {
  bool tagged = false;                    // untagged entries create and copy nothing
  std::vector<std::string> folderLevels;  // device folders to create, in this order
  std::string devicePath;                 // the device file
  bool pathTooLong = false;               // devicePath has 260 characters or more: refuse the entry
};

class PackageArchiveReader {
 public:
  explicit PackageArchiveReader(FILE* stream);

  // Reads the flag bytes, Reserved and EntryCount. False when the header is cut short.
  bool ReadHeader();
  unsigned char ProductFlag() const { return productFlag_; }
  unsigned char LauncherFlag() const { return launcherFlag_; }
  uint16_t EntryCount() const { return entryCount_; }
  // Entries read so far.
  uint32_t EntriesRead() const { return entriesRead_; }

  // Reads NameLength, FolderLength, DataSize, Name and Folder; the stream is left at the entry's Data.
  // False when the archive is damaged, or when all EntryCount entries have been read.
  bool ReadEntry(ArchiveEntry* entry);
  // Reads and discards the Data of the entry just read (an untagged or a refused entry), so that the
  // reader stays in step. False when the data is cut short.
  bool SkipData(const ArchiveEntry& entry);
  // After the caller copied the Data of the entry just read through its own reads: true when the stream
  // held exactly dataSize bytes and the caller consumed exactly those. Judged by the stream position
  // (64-bit); a stream that cannot tell its position is judged by its end-of-file mark.
  bool DataConsumed(const ArchiveEntry& entry);

  // Offset of the next byte the reader expects, counted from the start of the archive.
  uint64_t Offset() const { return offset_; }
  bool Failed() const { return !error_.empty(); }
  // The first defect, e.g. "entry 3: data cut short at offset 1234" (entries count from 1, offsets from
  // the start of the archive); empty while the archive is sound.
  const std::string& Error() const { return error_; }

 private:
  bool ReadExactly(void* buffer, size_t size, const char* what);
  bool ExpectData(const char* caller);
  bool Fail(const std::string& what, uint64_t offset);

  FILE* stream_;
  int64_t startPosition_ = -1;  // stream position of archive offset 0, -1 when the stream cannot tell
  uint64_t offset_ = 0;
  unsigned char productFlag_ = 0;
  unsigned char launcherFlag_ = 0;
  uint16_t entryCount_ = 0;
  uint32_t entriesRead_ = 0;
  bool headerRead_ = false;
  bool dataPending_ = false;  // ReadEntry done, its Data not yet skipped or confirmed
  std::string error_;
};

// Turns an entry into device actions: the tag selects the base folder ([PRG], [DOC], [WIN], [HLP],
// compared case-sensitively; any other code gives an empty base), the relative folder gives one folder
// level per backslash, left to right.
EntryPlan PlanEntry(const ArchiveEntry& entry, const ArchiveBases& bases);

// The tag code of a tagged Folder ("PRG"), or an empty string for an untagged one.
std::string TagCode(const std::string& folder);

}  // namespace talv
