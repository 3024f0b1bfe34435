#include "install_folder.h"

#include <cctype>

#include "default_folder_name.h"
#include "text_encoding.h"

namespace talvpkg {
namespace {

constexpr char kLauncherFolderOfTalvenia[] = "PROGRAM\\Talvenia\\Talvenia2016";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// What the launcher rule keeps of a stem: up to the first "20" and two characters after it. A vendor means a
// year there; anything else is cut where the vendor would not cut.
std::string LauncherCutProblem(const std::string& stem) {
  const size_t at = stem.find("20");
  if (at == std::string::npos)
    return "a launcher package's name needs a year (\"20\" and two digits); without one the folder is the product's "
           "name";
  if (at > 0 && IsDigit(stem[at - 1]))
    return "the first \"20\" of the name is inside another number, and the folder is cut there";
  if (at + 4 > stem.size() || !IsDigit(stem[at + 2]) || !IsDigit(stem[at + 3]))
    return "the first \"20\" of the name is not followed by two digits, and the folder is cut after them";
  return std::string();
}

}  // namespace

InstallFolder CheckInstallFolder(const std::string& packageFileName, bool productA, bool launcher) {
  InstallFolder result;
  std::string latin1, problem;
  if (!ComponentToArchive(std::filesystem::u8path(packageFileName), &latin1, &problem)) {
    result.problem = "the name holds " + problem + ", and the handheld's paths hold ISO 8859-1 only";
    return result;
  }
  const size_t dot = latin1.size() >= 4 ? latin1.size() - 4 : std::string::npos;
  std::string extension = dot == std::string::npos ? std::string() : latin1.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension != ".pkg") {
    result.problem = "the installer finds only a file named *.pkg beside it";
    return result;
  }
  const std::string stem = latin1.substr(0, dot);
  result.folder = Latin1ToUtf8(talv::DefaultFolderName(latin1.c_str(), productA, launcher));
  if (const std::string why = ComponentProblem(stem); !why.empty()) {
    result.problem = "the name without .pkg holds " + why + ", which no folder on the handheld may hold";
  } else if (launcher) {
    result.problem = LauncherCutProblem(stem);
    if (result.problem.empty() && productA && result.folder != kLauncherFolderOfTalvenia)
      result.problem = std::string("the launcher entry that the device agent writes starts ") +
                       kLauncherFolderOfTalvenia +
                       "\\Talvenia.exe, so a launcher package of Talvenia must install there";
  }
  return result;
}

}  // namespace talvpkg
