// What verify and build check beyond the format: that the handheld will take every entry the installer copies,
// and that the program the installation starts at its end is among them.
#pragma once

#include <string>
#include <unordered_map>

#include "archive_reader.h"

namespace talvpkg {

// Why the handheld would refuse the names of the file a tagged entry makes (empty when it takes them), by the one
// name rule (talv::JudgeName). Judged is the path the installer joins, the relative folder and the Name with no
// separator added (so "[PRG]NU" and "L.txt" make NUL.txt), as the handheld reads it: split at each backslash,
// empty parts between names dropped, the last part the file's name. The Name itself holds no backslash, as the
// installer creates only the relative folder's levels. Untagged entries create nothing: empty.
std::string EntryNameProblem(const talv::ArchiveEntry& entry);

// Where a package's entries land on the handheld, for one destination the wizard offers.
class DeviceLayout {
 public:
  // packageFileName: the package's file name, Latin-1 (it names the install folder, as in the installer).
  // destination: the root folder of the destination, Latin-1, with or without its backslashes; empty for the
  // assumed one (AssumedDestination).
  DeviceLayout(const std::string& packageFileName, bool productA, bool launcher, const std::string& destination);

  // The longest destination root the wizard can offer: \ROMDisk\ for a launcher installation (the only one it
  // offers), else the program folder of a handheld in English, \Program Files\, longer than the usual volumes.
  static std::string AssumedDestination(bool launcher);

  // Empty when the handheld takes the entry, else why not, in words that end a sentence: its names (EntryNameProblem),
  // its whole device path, from the handheld's root and of at most 259 characters, and a file no earlier entry makes
  // (the handheld ignores letter case, talv::FoldNameCase, so Citta.txt and CITTA.txt are one file and the second would
  // silently replace the first). Notes whether the entry is the program the installation starts.
  std::string Check(const talv::ArchiveEntry& entry);

  // Empty when some entry lands on the program the installation starts at its end: for a launcher
  // installation the file its launcher entry names, else Talvenia.exe or Fendro.exe in the install folder.
  std::string MissingProgram() const;

  const std::string& destination() const { return destination_; }  // Latin-1, with both backslashes
  bool assumed() const { return assumed_; }
  const std::string& installFolder() const { return bases_.program; }  // Latin-1, ends with a backslash

 private:
  talv::ArchiveBases bases_;
  std::string destination_;
  bool assumed_ = false;
  bool launcher_ = false;
  std::string program_;  // device path of the program the installation starts
  bool programFound_ = false;
  std::unordered_map<std::string, std::string> files_;  // device paths so far, by their case-folded form
};

}  // namespace talvpkg
