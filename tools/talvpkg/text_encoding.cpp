#include "text_encoding.h"

#include "device_name.h"

namespace talvpkg {

std::string Latin1ToUtf8(const std::string& latin1) { return talv::Latin1ToUtf8(latin1); }

bool ComponentToArchive(const std::filesystem::path& component, std::string* latin1, std::string* problem) {
#ifdef _WIN32
  const std::wstring& wide = component.native();
  if (!talv::NarrowLatin1(wide.c_str(), wide.size(), latin1)) {
    *problem = "a character outside ISO 8859-1";
    return false;
  }
  return true;
#else
  bool notUtf8 = false;
  if (!talv::Latin1FromUtf8(component.native(), latin1, &notUtf8)) {
    *problem = notUtf8 ? "bytes that are not UTF-8" : "a character outside ISO 8859-1";
    return false;
  }
  return true;
#endif
}

std::filesystem::path ArchiveToComponent(const std::string& latin1) {
#ifdef _WIN32
  return std::filesystem::path(talv::WidenLatin1<wchar_t>(latin1));
#else
  return std::filesystem::path(talv::Latin1ToUtf8(latin1));
#endif
}

std::string ComponentProblem(const std::string& latin1) {
  return talv::DescribeNameProblem(talv::JudgeNameLatin1(latin1));
}

}  // namespace talvpkg
