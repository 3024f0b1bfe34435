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

std::string AsRoot(const std::string& destination) {
  std::string root = destination;
  if (root.empty() || root.front() != '\\') root.insert(0, "\\");
  if (root.back() != '\\') root += '\\';
  return root;
}

}  // namespace

std::string EntryNameProblem(const talv::ArchiveEntry& entry) {
  // With no base folders the plan's path is the installer's join of the relative folder and the Name, each cut
  // at a stray zero as the installer's text buffers cut it.
  const talv::EntryPlan plan = talv::PlanEntry(entry, talv::ArchiveBases());
  if (!plan.tagged) return std::string();
  const std::string name = entry.name.c_str();
  if (name.find('\\') != std::string::npos) return NameProblemOf(name);
  const std::string& joined = plan.devicePath;
  const std::size_t fileStart = joined.rfind('\\') + 1;  // 0 when the path is one name
  if (std::string why = NameProblemOf(joined.substr(fileStart)); !why.empty()) return why;
  for (std::size_t start = 0; start < fileStart;) {
    const std::size_t end = joined.find('\\', start);
    if (end > start) {
      if (std::string why = NameProblemOf(joined.substr(start, end - start)); !why.empty()) return why;
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
  constexpr char kRefused[] = ", which the handheld refuses";
  if (std::string why = EntryNameProblem(entry); !why.empty()) return why + kRefused;
  const talv::EntryPlan plan = talv::PlanEntry(entry, bases_);
  if (!plan.tagged) return std::string();
  // A tag without a base folder gives the path as it stands, and the handheld takes only paths from its root.
  if (plan.devicePath.empty() || plan.devicePath.front() != '\\') {
    return "\"" + talv::Latin1ToUtf8(plan.devicePath) + "\" is not a path from the handheld's root (a tag without " +
           "a base folder needs a folder starting with \\)" + kRefused;
  }
  if (plan.pathTooLong) {
    return "\"" + talv::Latin1ToUtf8(plan.devicePath) + "\" has " + std::to_string(plan.devicePath.size()) +
           " characters on the handheld, over " + std::to_string(talv::kMaxDevicePathLength) + " (installed below " +
           talv::Latin1ToUtf8(destination_) + ")" + kRefused;
  }
  std::string folded;
  for (char c : plan.devicePath) folded += static_cast<char>(talv::FoldNameCase(static_cast<unsigned char>(c)));
  const auto [earlier, first] = files_.emplace(folded, plan.devicePath);
  if (!first) {
    return "\"" + talv::Latin1ToUtf8(plan.devicePath) + "\" and \"" + talv::Latin1ToUtf8(earlier->second) +
           "\" are one file on the handheld, which ignores letter case: the later would silently replace the earlier";
  }
  if (talv::SameNameNoCase(plan.devicePath, program_)) programFound_ = true;
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
