// talvpkg: builds, lists, verifies and extracts installation packages.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "build_package.h"
#include "device_name.h"
#include "install_folder.h"
#include "package_commands.h"

namespace {

namespace fs = std::filesystem;
using talvpkg::ArchiveSummary;

constexpr int kUsageError = 2;

const char kUsage[] =
    "usage: talvpkg <command> [options]\n"
    "\n"
    "commands:\n"
    "  build    make a package from a source folder\n"
    "  list     show a package's flags and entries\n"
    "  verify   check a package's zlib stream and archive structure\n"
    "  extract  write a package's files into a folder\n"
    "  folder   show the folder a package of that name installs into\n"
    "\n"
    "'talvpkg <command> --help' describes a command.\n";

const char kBuildHelp[] =
    "usage: talvpkg build --product talvenia|fendro [--launcher] [--destination ROOT] -o NAME.pkg SOURCE_DIR\n"
    "\n"
    "SOURCE_DIR holds the folders PRG, DOC, WIN and HLP (any of them); every file below one becomes an\n"
    "entry with that tag and its relative folder. Names must be ISO 8859-1 and ones the handheld takes;\n"
    "names and folders at most 259 bytes, at most 65535 files, each under 4 GiB, and every file's whole\n"
    "path on the handheld at most 259 characters (as verify checks it). Symbolic links and device files\n"
    "are refused; empty folders are left out with a warning. The package is written only when all of it\n"
    "succeeds.\n"
    "\n"
    "  --product talvenia|fendro  product flag 1 (talvenia) or 0 (fendro)\n"
    "  --launcher                 launcher installation (flag 1; default 0)\n"
    "  --destination ROOT         the destination the paths are checked below (see verify --help)\n"
    "  -o NAME.pkg                the package to write (never a folder)\n";

const char kListHelp[] =
    "usage: talvpkg list NAME.pkg\n"
    "\n"
    "Prints the product, the launcher flag, the entry count, then one line per entry: tag, relative\n"
    "folder, name and size, separated by tabs. Bytes after the zlib stream or after the last entry, which\n"
    "the installer ignores, are listed all the same, with a warning on stderr; verify refuses them.\n";

const char kVerifyHelp[] =
    "usage: talvpkg verify [--destination ROOT] [--require-program] NAME.pkg\n"
    "\n"
    "Checks the zlib stream and the whole archive (counts, lengths, truncation, trailing bytes), and that\n"
    "the handheld takes every entry: each name (no reserved device names such as CON, NUL, COM1, CONIN$,\n"
    "no wildcards, separators or control characters, no trailing dot or blank) and each whole device path\n"
    "of at most 259 characters, in the install folder that the package's file name makes. Exit 0 with a\n"
    "summary when sound; exit 1 with the first defect and its offset or entry.\n"
    "\n"
    "It warns when the program the installation starts at its end is missing: Talvenia.exe or Fendro.exe\n"
    "in PRG, or for a launcher package the file that its launcher entry starts.\n"
    "\n"
    "  --destination ROOT  the destination the install folder goes below, e.g. \"\\Storage Card\\\"; by\n"
    "                      default \\ROMDisk\\ for a launcher package (the only one offered), else\n"
    "                      \\Program Files\\, the longest the wizard offers on an English handheld\n"
    "  --require-program   a missing program is a defect (exit 1), not a warning\n";

const char kExtractHelp[] =
    "usage: talvpkg extract NAME.pkg DIR\n"
    "\n"
    "Writes every entry to DIR/PRG, DIR/DOC, DIR/WIN or DIR/HLP and its relative folder. Nothing is\n"
    "written when the package is damaged or holds a path that would leave DIR.\n";

const char kFolderHelp[] =
    "usage: talvpkg folder --product talvenia|fendro [--launcher] NAME.pkg\n"
    "\n"
    "Prints the folder that a package of this file name installs into below the destination the user picks\n"
    "(the installer derives it from the name and the two flags). Exit 1, with the reason on stderr, when it would\n"
    "make a folder its vendor does not expect: characters the handheld cannot hold, or a launcher package\n"
    "whose name the launcher rule (up to the first \"20\" and two characters after it) cuts elsewhere.\n";

bool WantsHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

int Usage(const char* help) {
  fputs(help, stderr);
  return kUsageError;
}

int Fail(const std::string& message) {
  fprintf(stderr, "talvpkg: %s\n", message.c_str());
  return 1;
}

// A destination root as the wizard's list gives it (\\Storage Card\\), from UTF-8; the backslashes around it
// may be left out. False for a name the handheld cannot hold.
bool DestinationRoot(const std::string& utf8, std::string* latin1) {
  bool notUtf8 = false;
  if (!talv::Latin1FromUtf8(utf8, latin1, &notUtf8)) return false;
  size_t start = 0;
  while (start < latin1->size()) {
    size_t end = latin1->find('\\', start);
    if (end == std::string::npos) end = latin1->size();
    if (end > start && !talv::JudgeNameLatin1(latin1->substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

int Build(const std::vector<std::string>& args) {
  talvpkg::BuildOptions options;
  std::string destination;
  bool productGiven = false;
  bool outputGiven = false;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--product" && i + 1 < args.size()) {
      const std::string& product = args[++i];
      if (product != "talvenia" && product != "fendro") return Usage(kBuildHelp);
      options.productA = product == "talvenia";
      productGiven = true;
    } else if (args[i] == "--launcher") {
      options.launcher = true;
    } else if (args[i] == "-o" && i + 1 < args.size()) {
      options.output = fs::u8path(args[++i]);
      outputGiven = true;
    } else if (args[i] == "--destination" && i + 1 < args.size()) {
      if (!DestinationRoot(args[++i], &destination)) return Usage(kBuildHelp);
    } else if (!args[i].empty() && args[i][0] == '-') {
      return Usage(kBuildHelp);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (!productGiven || !outputGiven || positional.size() != 1) return Usage(kBuildHelp);
  options.sourceDir = fs::u8path(positional[0]);

  std::string error;
  size_t entries = 0;
  std::vector<std::string> warnings;
  if (!talvpkg::BuildPackage(options, &error, &entries, &warnings, destination)) return Fail(error);
  printf("%s: %zu entries\n", options.output.u8string().c_str(), entries);
  fflush(stdout);
  for (const std::string& warning : warnings) fprintf(stderr, "talvpkg: warning: %s\n", warning.c_str());
  return 0;
}

int List(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage(kListHelp);
  std::string defect;
  std::vector<std::string> warnings;
  const bool listed = talvpkg::ListPackage(fs::u8path(args[0]), stdout, &defect, &warnings);
  fflush(stdout);
  for (const std::string& warning : warnings)
    fprintf(stderr, "talvpkg: warning: %s: %s\n", args[0].c_str(), warning.c_str());
  return listed ? 0 : Fail(args[0] + ": " + defect);
}

int Verify(const std::vector<std::string>& args) {
  talvpkg::VerifyOptions options;
  bool requireProgram = false;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--destination" && i + 1 < args.size()) {
      if (!DestinationRoot(args[++i], &options.destination)) return Usage(kVerifyHelp);
    } else if (args[i] == "--require-program") {
      requireProgram = true;
    } else if (!args[i].empty() && args[i][0] == '-') {
      return Usage(kVerifyHelp);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 1) return Usage(kVerifyHelp);
  const std::string& name = positional[0];
  talvpkg::VerifyFindings findings;
  std::string defect;
  if (!talvpkg::VerifyPackage(fs::u8path(name), options, &findings, &defect)) return Fail(name + ": " + defect);
  if (requireProgram && !findings.missingProgram.empty()) return Fail(name + ": " + findings.missingProgram);
  const talvpkg::ArchiveSummary& summary = findings.summary;
  printf("%s: sound; %s, launcher %u, %u entries, %llu bytes of data, %llu bytes decompressed\n", name.c_str(),
         summary.productFlag != 0 ? "talvenia" : "fendro", summary.launcherFlag, summary.entryCount,
         static_cast<unsigned long long>(summary.dataBytes), static_cast<unsigned long long>(summary.archiveBytes));
  printf("%s: every path fits the handheld below %s%s; install folder %s\n", name.c_str(), findings.destination.c_str(),
         findings.destinationAssumed ? " (assumed: the longest destination the wizard offers; --destination names "
                                       "another)"
                                     : "",
         findings.installFolder.c_str());
  fflush(stdout);
  if (!findings.missingProgram.empty())
    fprintf(stderr, "talvpkg: warning: %s: %s\n", name.c_str(), findings.missingProgram.c_str());
  return 0;
}

int Extract(const std::vector<std::string>& args) {
  if (args.size() != 2) return Usage(kExtractHelp);
  ArchiveSummary summary;
  std::string error;
  if (!talvpkg::ExtractPackage(fs::u8path(args[0]), fs::u8path(args[1]), &summary, &error)) {
    return Fail(args[0] + ": " + error);
  }
  printf("%s: %u entries extracted to %s\n", args[0].c_str(), summary.entryCount, args[1].c_str());
  return 0;
}

int Folder(const std::vector<std::string>& args) {
  bool productA = true, productGiven = false, launcher = false;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--product" && i + 1 < args.size() && (args[i + 1] == "talvenia" || args[i + 1] == "fendro")) {
      productA = args[++i] == "talvenia";
      productGiven = true;
    } else if (args[i] == "--launcher") {
      launcher = true;
    } else if (!args[i].empty() && args[i][0] == '-') {
      return Usage(kFolderHelp);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (!productGiven || positional.size() != 1) return Usage(kFolderHelp);
  const std::string name = fs::u8path(positional[0]).filename().u8string();
  const talvpkg::InstallFolder folder = talvpkg::CheckInstallFolder(name, productA, launcher);
  if (!folder.folder.empty()) printf("%s\n", folder.folder.c_str());
  fflush(stdout);
  return folder.problem.empty() ? 0 : Fail(name + ": " + folder.problem);
}

// The arguments as UTF-8. Windows hands narrow arguments over in the ANSI code page, so they are taken
// from the wide command line instead.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
  std::vector<std::string> result;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 0; wide != nullptr && i < count; ++i) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &arg[0], size, nullptr, nullptr);
    result.push_back(arg);
  }
  LocalFree(wide);
  return result;
#else
  return std::vector<std::string>(argv, argv + argc);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> all = Utf8Arguments(argc, argv);
  if (all.size() < 2) return Usage(kUsage);
  const std::string command = all[1];
  const std::vector<std::string> args(all.begin() + 2, all.end());
  struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>&);
    const char* help;
  };
  static const Command kCommands[] = {{"build", Build, kBuildHelp},
                                      {"list", List, kListHelp},
                                      {"verify", Verify, kVerifyHelp},
                                      {"extract", Extract, kExtractHelp},
                                      {"folder", Folder, kFolderHelp}};
  for (const Command& c : kCommands) {
    if (command != c.name) continue;
    if (WantsHelp(args)) {
      fputs(c.help, stdout);
      return 0;
    }
    return c.run(args);
  }
  if (command == "--help" || command == "-h" || command == "help") {
    fputs(kUsage, stdout);
    return 0;
  }
  return Usage(kUsage);
}
