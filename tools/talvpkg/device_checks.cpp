#include "device_checks.h"

#include "archive_format.h"
#include "device_name.h"

namespace talvpkg {
namespace {

std::string NameProblemOf(const std::string& part) {
  const talv::NameVerdict verdict = talv::JudgeNameLatin1(part);
  return verdict ? std::string() : "\"" + talv::Latin1ToUtf8(part) + "\" holds " + talv::DescribeNameProblem(verdict);
}

}  // namespace

std::string EntryNameProblem(const talv::ArchiveEntry& entry) {
  if (talv::TagCode(entry.folder).empty()) return std::string();
  // The installer creates only the relative folder's levels: a Name is one file name, never a path.
  if (std::string why = NameProblemOf(entry.name); !why.empty()) return why;
  const std::string folder = entry.folder.substr(talv::kTagLength);
  for (std::size_t start = 0; start < folder.size();) {
    std::size_t end = folder.find('\\', start);
    if (end == std::string::npos) end = folder.size();
    if (end > start) {
      if (std::string why = NameProblemOf(folder.substr(start, end - start)); !why.empty()) return why;
    }
    start = end + 1;
  }
  return std::string();
}

}  // namespace talvpkg
