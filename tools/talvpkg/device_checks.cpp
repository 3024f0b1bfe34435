#include "device_checks.h"

#include "archive_format.h"
#include "default_folder_name.h"
#include "device_name.h"

namespace talvpkg {
namespace {

// What the device agent's launcher entries name as exe_path (device_agent.cpp): fixed texts, whatever the package.
constexpr char kLauncherProgramOfTalvenia[] = "\\ROMDisk\\PROGRAM\\Talvenia\\Talvenia2016\\Talvenia.exe";
constexpr char kLauncherProgramOfFendro[] = "\\ROMDisk\\PROGRAM\\Ostrel\\OstrelField\\OstrelField.exe";
// The handheld's own folders as an English handheld names them; the Windows folders are fixed (InstallerState).
constexpr char kDocumentsFolder[] = "\\My Documents\\";

std::string NameProblemOf(const std::string& part) {
  const talv::NameVerdict verdict = talv::JudgeNameLatin1(part);
  return verdict ? std::string() : "\"" + talv::Latin1ToUtf8(part) + "\" holds " + talv::DescribeNameProblem(verdict);
}

// The handheld compares names without regard to letter case.
bool SameDevicePath(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string AsRoot(const std::string& destination) {
  std::string root = destination;
  if (root.empty() || root.front() != '\\') root.insert(0, "\\");
  if (root.back() != '\\') root += '\\';
  return root;
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

DeviceLayout::DeviceLayout(const std::string& packageFileName, bool productA, bool launcher,
                           const std::string& destination)
    : destination_(AsRoot(destination.empty() ? AssumedDestination(launcher) : destination)),
      assumed_(destination.empty()),
      launcher_(launcher) {
  bases_.program = destination_ + talv::DefaultFolderName(packageFileName.c_str(), productA, launcher) + "\\";
  bases_.documents = kDocumentsFolder;
  bases_.windows = "\\Windows\\";
  bases_.help = "\\Windows\\Help\\";
  if (launcher)
    program_ = productA ? kLauncherProgramOfTalvenia : kLauncherProgramOfFendro;
  else
    program_ = bases_.program + (productA ? "Talvenia.exe" : "Fendro.exe");
}

std::string DeviceLayout::AssumedDestination(bool launcher) { return launcher ? "\\ROMDisk\\" : "\\Program Files\\"; }

std::string DeviceLayout::Check(const talv::ArchiveEntry& entry) {
  if (std::string why = EntryNameProblem(entry); !why.empty()) return why;
  const talv::EntryPlan plan = talv::PlanEntry(entry, bases_);
  if (!plan.tagged) return std::string();
  // A tag without a base folder gives the path as it stands, and the handheld takes only paths from its root.
  if (plan.devicePath.empty() || plan.devicePath.front() != '\\') {
    return "\"" + talv::Latin1ToUtf8(plan.devicePath) + "\" is not a path from the handheld's root (a tag without " +
           "a base folder needs a folder starting with \\)";
  }
  if (plan.pathTooLong) {
    return "\"" + talv::Latin1ToUtf8(plan.devicePath) + "\" has " + std::to_string(plan.devicePath.size()) +
           " characters on the handheld, over " + std::to_string(talv::kMaxDevicePathLength) + " (installed below " +
           talv::Latin1ToUtf8(destination_) + ")";
  }
  if (SameDevicePath(plan.devicePath, program_)) programFound_ = true;
  return std::string();
}

std::string DeviceLayout::MissingProgram() const {
  if (programFound_) return std::string();
  const std::string program = talv::Latin1ToUtf8(program_);
  if (launcher_) {
    return "no entry installs " + program + ", the program that the launcher entry written by the device agent " +
           "starts" +
           (program_ == kLauncherProgramOfFendro ? " (only a tag with an empty base reaches that folder)" : "");
  }
  const std::string name = program.substr(program.rfind('\\') + 1);
  return "PRG\\" + name + " is missing: the installer starts " + program + " at the end of the installation";
}

}  // namespace talvpkg
