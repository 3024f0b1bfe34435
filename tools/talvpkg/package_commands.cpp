#include "package_commands.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

#include "archive_format.h"
#include "device_checks.h"
#include "file_util.h"
#include "package_inflater.h"
#include "text_encoding.h"

namespace talvpkg {
namespace fs = std::filesystem;
namespace {

// Decompresses `package` into `archive`, a new temporary file in `tempFolder`, left at its start. Bytes after
// the stream are a defect, unless `trailingBytes` is given to count them.
bool Decompress(const fs::path& package, const fs::path& tempFolder, TempFile* archive, std::string* defect,
                uint64_t* trailingBytes = nullptr) {
  std::error_code ec;
  if (fs::is_directory(package, ec)) {
    *defect = "is a folder, not a package";
    return false;
  }
  errno = 0;
  UniqueFile source(OpenFile(package, "rb"));
  if (!source.IsValid()) {
    *defect = std::string("cannot be opened: ") + (errno != 0 ? std::strerror(errno) : "unknown reason");
    return false;
  }
  if (!archive->Create(tempFolder, defect)) return false;
  if (!InflateChecked(source.Get(), archive->get(), defect, trailingBytes)) return false;
  rewind(archive->get());
  return true;
}

// The host path of a tagged entry below `dir`, or false with the reason it cannot be extracted. The
// installer splits Folder + Name at each backslash; so does this.
bool EntryHostPath(const talv::ArchiveEntry& entry, const fs::path& dir, fs::path* path, std::string* problem) {
  const std::string tag = talv::TagCode(entry.folder);
  bool known = false;
  for (const char* knownTag : talv::kKnownTags) known = known || tag == knownTag;
  if (!known) {
    *problem = "unknown tag [" + Latin1ToUtf8(tag) + "]";
    return false;
  }
  *path = dir / tag;
  const std::string relative = entry.folder.substr(talv::kTagLength) + entry.name;
  size_t start = 0;
  while (true) {
    const size_t end = relative.find('\\', start);
    const std::string part = relative.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::string why = ComponentProblem(part);
    if (!why.empty()) {
      *problem = "\"" + Latin1ToUtf8(entry.folder + entry.name) + "\" holds " + why;
      return false;
    }
    *path /= ArchiveToComponent(part);
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

bool CopyOut(FILE* stream, uint32_t size, const fs::path& path, fs::path* lastFolder, std::string* defect) {
  // Entries come sorted by folder, so most need no folder check at all.
  if (path.parent_path() != *lastFolder) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    *lastFolder = path.parent_path();
  }
  UniqueFile out(OpenFile(path, "wb"));
  if (!out.IsValid()) {
    *defect = path.u8string() + ": cannot be created";
    return false;
  }
  unsigned char buffer[16384];
  while (size > 0) {
    const size_t want = size < sizeof buffer ? size : sizeof buffer;
    const size_t got = fread(buffer, 1, want, stream);
    if (fwrite(buffer, 1, got, out.Get()) != got) break;
    size -= static_cast<uint32_t>(got);
    if (got < want) return true;  // cut short: the reader reports it
  }
  if (size > 0 || !out.Close()) {
    *defect = path.u8string() + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace

bool VerifyPackage(const fs::path& package, const VerifyOptions& options, VerifyFindings* findings,
                   std::string* defect) {
  TempFile archive;
  if (!Decompress(package, fs::temp_directory_path(), &archive, defect)) return false;
  std::string fileName, problem;
  if (!ComponentToArchive(package.filename(), &fileName, &problem)) fileName.clear();  // no install folder of its own
  std::unique_ptr<DeviceLayout> layout;
  const auto onHeader = [&](const ArchiveSummary& header) {
    layout = std::make_unique<DeviceLayout>(fileName, header.productFlag != 0, header.launcherFlag != 0,
                                            options.destination);
  };
  uint32_t index = 0;
  const auto check = [&](const talv::ArchiveEntry& entry, FILE*, std::string* why) {
    ++index;
    const std::string refused = layout->Check(entry);
    if (refused.empty()) return VisitResult::kSkip;
    *why = "entry " + std::to_string(index) + ": " + refused;
    return VisitResult::kStop;
  };
  if (!CheckArchive(archive.get(), onHeader, check, &findings->summary, defect)) return false;
  findings->destination = Latin1ToUtf8(layout->destination());
  findings->destinationAssumed = layout->assumed();
  findings->installFolder = Latin1ToUtf8(layout->installFolder());
  findings->missingProgram = layout->MissingProgram();
  return true;
}

bool VerifyPackage(const fs::path& package, ArchiveSummary* summary, std::string* defect) {
  VerifyFindings findings;
  if (!VerifyPackage(package, VerifyOptions(), &findings, defect)) return false;
  *summary = findings.summary;
  return true;
}

bool ListPackage(const fs::path& package, FILE* out, std::string* defect, std::vector<std::string>* warnings) {
  TempFile archive;
  uint64_t afterStream = 0;
  if (!Decompress(package, fs::temp_directory_path(), &archive, defect, &afterStream)) return false;
  ArchiveSummary summary;
  const auto onHeader = [out](const ArchiveSummary& header) {
    fprintf(out, "product: %s (%u)\nlauncher: %u\nentries: %u\n", header.productFlag != 0 ? "talvenia" : "fendro",
            header.productFlag, header.launcherFlag, header.entryCount);
  };
  const auto onEntry = [out](const talv::ArchiveEntry& entry, FILE*, std::string*) {
    const std::string tag = talv::TagCode(entry.folder);
    const std::string relative = tag.empty() ? entry.folder : entry.folder.substr(talv::kTagLength);
    fprintf(out, "%s\t%s\t%s\t%u\n", tag.empty() ? "-" : Latin1ToUtf8(tag).c_str(), Latin1ToUtf8(relative).c_str(),
            Latin1ToUtf8(entry.name).c_str(), entry.dataSize);
    return VisitResult::kSkip;
  };
  uint64_t afterEntries = 0;
  if (!CheckArchive(archive.get(), onHeader, onEntry, &summary, defect, &afterEntries)) return false;
  if (warnings != nullptr) {
    if (afterStream > 0)
      warnings->push_back(std::to_string(afterStream) +
                          " bytes after the end of the zlib stream, ignored (verify refuses them)");
    if (afterEntries > 0)
      warnings->push_back(std::to_string(afterEntries) + " bytes after the last entry at offset " +
                          std::to_string(summary.archiveBytes) + ", ignored (verify refuses them)");
  }
  return true;
}

bool ExtractPackage(const fs::path& package, const fs::path& dir, ArchiveSummary* summary, std::string* error) {
  const fs::path target = dir.has_filename() ? dir : dir.parent_path();
  TempFile archive;
  if (!Decompress(package, FolderOf(target), &archive, error)) return false;

  // First pass: refuse the whole package before a single file is written.
  uint32_t index = 0;
  const auto check = [&](const talv::ArchiveEntry& entry, FILE*, std::string* defect) {
    ++index;
    fs::path path;
    std::string problem;
    if (!talv::TagCode(entry.folder).empty() && !EntryHostPath(entry, target, &path, &problem)) {
      *defect = "entry " + std::to_string(index) + ": " + problem;
      return VisitResult::kStop;
    }
    return VisitResult::kSkip;
  };
  if (!CheckArchive(archive.get(), nullptr, check, summary, error)) return false;

  rewind(archive.get());
  std::error_code ec;
  fs::create_directories(target, ec);
  if (ec) {
    *error = target.u8string() + ": " + ec.message();
    return false;
  }
  fs::path lastFolder;
  const auto write = [&](const talv::ArchiveEntry& entry, FILE* stream, std::string* defect) {
    fs::path path;
    std::string problem;
    if (talv::TagCode(entry.folder).empty() || !EntryHostPath(entry, target, &path, &problem)) {
      return VisitResult::kSkip;
    }
    return CopyOut(stream, entry.dataSize, path, &lastFolder, defect) ? VisitResult::kConsumed : VisitResult::kStop;
  };
  return CheckArchive(archive.get(), nullptr, write, summary, error);
}

}  // namespace talvpkg
