// talvpkg list, verify and extract over a package file. Each decompresses the package into a temporary
// file first and then reads it with the installer's archive reader, so memory stays flat.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "archive_check.h"

namespace talvpkg {

struct VerifyOptions {
  std::string destination;  // the destination root, Latin-1; empty: the longest the wizard offers
};

struct VerifyFindings {
  ArchiveSummary summary;
  std::string destination;  // UTF-8: the root the device paths were checked below
  bool destinationAssumed = false;
  std::string installFolder;   // UTF-8, ends with a backslash
  std::string missingProgram;  // empty, or why the program the installation starts is not in the package
};

// Checks the zlib stream, the whole archive and that the handheld takes every entry the installer gives it:
// each name by the one name rule, each whole device path of at most 259 characters below the destination.
// False with the first defect and its offset (or entry). A missing program is a finding, not a defect.
bool VerifyPackage(const std::filesystem::path& package, const VerifyOptions& options, VerifyFindings* findings,
                   std::string* defect);
bool VerifyPackage(const std::filesystem::path& package, ArchiveSummary* summary, std::string* defect);

// Prints the flags, the entry count and one line per entry (tag, relative folder, name, size, separated
// by tabs) to `out`. False with the first defect; the entries before it have been printed. What the installer
// tolerates is listed too: bytes after the zlib stream or after the last entry become `warnings`.
bool ListPackage(const std::filesystem::path& package, FILE* out, std::string* defect,
                 std::vector<std::string>* warnings = nullptr);

// Writes every tagged entry to dir/TAG/folder/name. The whole package is checked before anything is
// written: a damaged package, an unknown tag or a name that would leave `dir` or that the host cannot
// hold is refused with nothing written. Untagged entries are skipped, as the installer does.
bool ExtractPackage(const std::filesystem::path& package, const std::filesystem::path& dir, ArchiveSummary* summary,
                    std::string* error);

}  // namespace talvpkg
