#include "build_package.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "archive_writer.h"
#include "deflate_sink.h"
#include "device_checks.h"
#include "file_util.h"
#include "source_tree.h"
#include "text_encoding.h"

namespace talvpkg {

bool BuildPackage(const BuildOptions& options, std::string* error, size_t* entries, std::vector<std::string>* warnings,
                  const std::string& destination) {
  std::error_code ec;
  if (fs::is_directory(options.output, ec)) {
    *error = options.output.u8string() + ": is a folder; -o names the package file to write";
    return false;
  }
  std::vector<SourceFile> files;
  std::vector<std::string> notes;
  if (!CollectSourceFiles(options.sourceDir, &files, error, talv::kMaxEntryCount, &notes)) return false;

  std::string packageName, problem;
  if (!ComponentToArchive(options.output.filename(), &packageName, &problem)) packageName.clear();
  DeviceLayout layout(packageName, options.productA, options.launcher, destination);
  for (const SourceFile& file : files) {
    const std::string refused = layout.Check(talv::ArchiveEntry{file.name, file.folder, 0});
    if (!refused.empty()) {
      *error = file.path.u8string() + ": " + refused;
      return false;
    }
  }
  if (const std::string missing = layout.MissingProgram(); !missing.empty()) notes.push_back(missing);

  TempFile temp;
  if (!temp.Create(FolderOf(options.output), error)) return false;
  talv::DeflateSink sink(temp.get());
  talv::ArchiveWriter writer(&sink);
  writer.WriteHeader(options.productA ? 1 : 0, options.launcher ? 1 : 0, static_cast<uint16_t>(files.size()));
  for (const SourceFile& file : files) {
    errno = 0;
    UniqueFile source(OpenFile(file.path, "rb"));
    if (!source.IsValid()) {
      *error = file.path.u8string() + ": cannot be opened: " + (errno != 0 ? std::strerror(errno) : "unknown reason");
      return false;
    }
    if (!writer.BeginEntry(file.name, file.folder, static_cast<uint32_t>(file.size)) ||
        !writer.CopyData(source.Get(), static_cast<uint32_t>(file.size))) {
      *error = file.path.u8string() + ": " + writer.Error();
      return false;
    }
    if (fgetc(source.Get()) != EOF) {
      *error = file.path.u8string() + ": the file grew while the package was built";
      return false;
    }
  }
  if (!writer.Finish()) {
    *error = writer.Error();
    return false;
  }
  if (!sink.Finish()) {
    *error = "cannot write " + temp.path().u8string();
    return false;
  }
  if (!temp.Commit(options.output, error)) return false;
  if (entries != nullptr) *entries = files.size();
  if (warnings != nullptr) *warnings = notes;
  return true;
}

}  // namespace talvpkg
