#include "build_package.h"

#include <vector>

#include "archive_writer.h"
#include "deflate_sink.h"
#include "file_util.h"
#include "source_tree.h"

namespace talvpkg {

bool BuildPackage(const BuildOptions& options, std::string* error, size_t* entries) {
  std::vector<SourceFile> files;
  if (!CollectSourceFiles(options.sourceDir, &files, error)) return false;

  TempFile temp;
  if (!temp.Create(FolderOf(options.output), error)) return false;
  talv::DeflateSink sink(temp.get());
  talv::ArchiveWriter writer(&sink);
  writer.WriteHeader(options.productA ? 1 : 0, options.launcher ? 1 : 0, static_cast<uint16_t>(files.size()));
  for (const SourceFile& file : files) {
    UniqueFile source(OpenFile(file.path, "rb"));
    if (!source.IsValid()) {
      *error = file.path.u8string() + ": cannot be opened";
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
  return true;
}

}  // namespace talvpkg
