// What talvpkg accepts installs: sources and packages with the verdict each must get from build and verify.
// A vendor can only ship what the handheld takes; what the installation needs but the format allows to leave
// out (the program started at the end) is a warning.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "build_package.h"
#include "package_commands.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using namespace package_test;

bool Contains(const std::vector<std::string>& texts, const std::string& part) {
  for (const std::string& text : texts)
    if (text.find(part) != std::string::npos) return true;
  return false;
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string all;
  for (const std::string& text : texts) all += "[" + text + "] ";
  return all;
}

const std::string kFolder197 = std::string(197, 'f');
const std::string kName64 = std::string(60, 'n') + ".dat";
const std::string kFolder200 = std::string(200, 'g');
const std::string kName28 = std::string(24, 'm') + ".dat";  // 229 with its folder: fits \ROMDisk\ only

struct SourceRow {
  const char* what;
  bool productA, launcher;
  const char* packageName;
  std::vector<std::string> files;  // relative to the source, UTF-8; ending in '/': an empty folder
  const char* destination;         // "": the one verify assumes
  const char* error;               // part of build's refusal; "": builds
  const char* warning;             // part of a warning; "": none
};

TEST(TalvpkgVerdictTest, SourcesAndWhatBuildAndVerifySay) {
  const std::string talvenia = "PRG/Talvenia.exe";
  const std::string prg197 = "PRG/" + kFolder197 + "/" + kName64, prg200 = "PRG/" + kFolder200 + "/" + kName28;
  // clang-format off
  std::vector<SourceRow> rows = {
      // what, product A, launcher, package name, files, destination, build's refusal, warning
      {"free-standing Talvenia", true, false, "Talvenia2016_full.pkg", {talvenia, "PRG/Maps/a.map"}, "", "", ""},
      {"path over 259 below the assumed root", true, false, "Talvenia2016_full.pkg", {talvenia, prg197}, "",
       "characters on the handheld, over 259", ""},
      {"the assumed root is named", true, false, "Talvenia2016_full.pkg", {talvenia, prg197}, "",
       "below \\Program Files\\", ""},
      {"a path that fits a shorter root", true, false, "Talvenia2016_full.pkg", {talvenia, prg200}, "\\ROMDisk\\", "",
       ""},
      {"the same path below the assumed root", true, false, "Talvenia2016_full.pkg", {talvenia, prg200}, "",
       "over 259", ""},
      {"a documents path over 259", true, false, "T.pkg", {talvenia, "DOC/" + kFolder197 + "/" + kName64}, "",
       "\\My Documents\\", ""},
      {"free-standing Talvenia without its program", true, false, "Talvenia2016_full.pkg", {"PRG/Other.exe"}, "", "",
       "PRG\\Talvenia.exe is missing"},
      {"the program below PRG is not the program", true, false, "Talvenia2016_full.pkg", {"PRG/Bin/Talvenia.exe"},
       "", "", "PRG\\Talvenia.exe is missing"},
      {"free-standing Fendro without its program", false, false, "Fendro_base.pkg", {talvenia}, "", "",
       "PRG\\Fendro.exe is missing"},
      {"the handheld ignores letter case", false, false, "Fendro_base.pkg", {"PRG/fendro.EXE"}, "", "", ""},
      {"launcher Talvenia with its program", true, true, "Talvenia2016.pkg", {talvenia}, "", "", ""},
      {"launcher Talvenia without its program", true, true, "Talvenia2016.pkg", {"PRG/Talvenia.ini"}, "", "",
       "\\ROMDisk\\PROGRAM\\Talvenia\\Talvenia2016\\Talvenia.exe"},
      {"launcher Fendro: PRG never reaches its program", false, true, "Fendro2017.pkg",
       {"PRG/Fendro.exe", "PRG/OstrelField.exe"}, "", "", "\\Ostrel\\OstrelField\\OstrelField.exe"},
      {"an empty folder is left out", true, false, "T.pkg", {talvenia, "DOC/Empty/"}, "", "", "an empty folder"},
      {"an empty tag folder is left out", true, false, "T.pkg", {talvenia, "HLP/"}, "", "", "an empty folder"},
      {"no files at all", true, false, "T.pkg", {"PRG/Empty/", "DOC/"}, "", "holds no files", ""},
      {"an empty source", true, false, "T.pkg", {}, "", "holds no files", ""},
  };
  // clang-format on
#ifndef _WIN32
  // A host that tells letter case apart holds files the handheld takes for one.
  rows.push_back({"one file in two letter cases",
                  true,
                  false,
                  "T.pkg",
                  {talvenia, "PRG/Citta.txt", "PRG/CITTA.txt"},
                  "",
                  "are one file on the handheld",
                  ""});
  rows.push_back({"ISO 8859-1 letters have a case too",
                  true,
                  false,
                  "T.pkg",
                  {talvenia, "DOC/Citt\xC3\xA0.txt", "DOC/CITT\xC3\x80.txt"},
                  "",
                  "are one file on the handheld",
                  ""});
#endif
  for (const SourceRow& row : rows) {
    SCOPED_TRACE(row.what);
    ScratchDir dir;
    fs::create_directories(dir / "src");
    for (const std::string& file : row.files) {
      if (file.back() == '/')
        fs::create_directories(dir / ("src/" + file));
      else
        WriteFile(dir / ("src/" + file), file == "PRG/Talvenia.exe" ? "MZ" : "data");
    }
    talvpkg::BuildOptions options{row.productA, row.launcher, dir / row.packageName, dir / "src"};
    std::string error;
    std::vector<std::string> warnings;
    const bool built = talvpkg::BuildPackage(options, &error, nullptr, &warnings, row.destination);
    EXPECT_EQ(built, *row.error == '\0') << error;
    if (built != (*row.error == '\0')) continue;
    if (!built) {
      EXPECT_NE(error.find(row.error), std::string::npos) << error;
      EXPECT_FALSE(fs::exists(options.output));
      continue;
    }
    EXPECT_EQ(!warnings.empty(), *row.warning != '\0') << Joined(warnings);
    if (*row.warning != '\0') {
      EXPECT_TRUE(Contains(warnings, row.warning)) << Joined(warnings);
    }

    // verify finds in the package what build found in the source.
    talvpkg::VerifyOptions verifyOptions;
    verifyOptions.destination = row.destination;
    talvpkg::VerifyFindings findings;
    ASSERT_TRUE(talvpkg::VerifyPackage(options.output, verifyOptions, &findings, &error)) << error;
    EXPECT_EQ(findings.destinationAssumed, *row.destination == '\0');
    if (!findings.missingProgram.empty()) {
      EXPECT_TRUE(Contains(warnings, findings.missingProgram));
    }
    EXPECT_EQ(findings.missingProgram.empty(), !Contains(warnings, "missing") && !Contains(warnings, "no entry"));
  }
}

struct PackageRow {
  const char* what;
  bool productA, launcher;
  const char* packageName;
  std::vector<std::pair<std::string, std::string>> entries;  // Folder (tag included) and Name
  const char* destination;
  const char* defect;  // part of verify's defect; "": sound
  bool programFound;
};

void WritePackage(const fs::path& path, const PackageRow& row) {
  std::vector<talv_test::PackageEntry> entries;
  for (const auto& [folder, name] : row.entries) entries.push_back({name, folder, "x"});
  ASSERT_TRUE(talv_test::WritePackage(path, row.productA ? 1 : 0, row.launcher ? 1 : 0, entries));
}

// Packages that build cannot make (other tags, names a host cannot hold) still get verify's verdict.
TEST(TalvpkgVerdictTest, PackagesAndWhatVerifySays) {
  const std::string ostrel = "[ROM]\\ROMDisk\\PROGRAM\\Ostrel\\OstrelField\\";
  const std::string a200 = "[XYZ]\\" + std::string(200, 'a') + "\\";
  // clang-format off
  const std::vector<PackageRow> rows = {
      // what, product A, launcher, package name, entries (Folder, Name), destination, defect, program found
      {"launcher Fendro through an empty base", false, true, "Fendro2017.pkg",
       {{"[PRG]", "Fendro.exe"}, {ostrel, "OstrelField.exe"}}, "", "", true},
      {"the same in other letter case", false, true, "Fendro2017.pkg",
       {{"[XYZ]\\romdisk\\program\\ostrel\\ostrelfield\\", "ostrelfield.EXE"}}, "", "", true},
      {"a folder beside the program's", false, true, "Fendro2017.pkg", {{ostrel + "Bin\\", "OstrelField.exe"}}, "", "",
       false},
      {"launcher Talvenia named for another year", true, true, "Talvenia2017.pkg", {{"[PRG]", "Talvenia.exe"}}, "", "",
       false},
      {"a reserved name as a folder", true, false, "T.pkg", {{"[PRG]", "Talvenia.exe"}, {"[PRG]CONIN$\\", "a"}}, "",
       "entry 2: \"CONIN$\" holds the reserved device name CONIN$", true},
      {"a superscript port", true, false, "T.pkg", {{"[PRG]", "Talvenia.exe"}, {"[WIN]", "lpt\xB3.dll"}}, "",
       "reserved device name LPT\xC2\xB3", true},
      {"a tag without a base needs a path from the root", true, false, "T.pkg",
       {{"[PRG]", "Talvenia.exe"}, {"[XYZ]", "relative.txt"}}, "", "entry 2: \"relative.txt\" is not a path", true},
      {"a path of 260", true, false, "T.pkg", {{"[PRG]", "Talvenia.exe"}, {a200, std::string(58, 'b')}}, "",
       "entry 2: \"\\aaaa", true},
      {"a path of 259", true, false, "T.pkg", {{"[PRG]", "Talvenia.exe"}, {a200, std::string(57, 'b')}}, "", "", true},
      {"the installer joins folder and name", true, false, "T.pkg", {{"[PRG]", "Talvenia.exe"}, {"[PRG]NU", "L.txt"}},
       "", "entry 2: \"NUL.txt\" holds the reserved device name NUL", true},
      {"a blank inside the joined name", true, false, "T.pkg", {{"[PRG]", "Talvenia.exe"}, {"[PRG]ab ", "c"}}, "", "",
       true},
      {"one file in two letter cases", true, false, "T.pkg",
       {{"[PRG]", "Talvenia.exe"}, {"[PRG]", "Citta.txt"}, {"[PRG]", "CITTA.txt"}}, "",
       "entry 3: \"\\Program Files\\T\\CITTA.txt\" and \"\\Program Files\\T\\Citta.txt\" are one file", true},
      {"ISO 8859-1 letters have a case too", true, false, "T.pkg",
       {{"[PRG]", "Talvenia.exe"}, {"[DOC]Citt\xE0\\", "a"}, {"[DOC]CITT\xC0\\", "A"}}, "",
       "entry 3: \"\\My Documents\\CITT\xC3\x80\\A\" and \"\\My Documents\\Citt\xC3\xA0\\a\" are one file", true},
      {"the same file through two tags", true, false, "T.pkg",
       {{"[PRG]", "Talvenia.exe"}, {"[XYZ]\\windows\\", "x.dll"}, {"[WIN]", "X.DLL"}}, "", "are one file", true},
      {"the install folder counts", true, false, "T.pkg",
       {{"[PRG]" + std::string(200, 'a') + "\\", std::string(43, 'b')}, {"[PRG]", "Talvenia.exe"}}, "\\Storage Card\\",
       "has 260 characters on the handheld, over 259 (installed below \\Storage Card\\)", true},
  };
  // clang-format on
  for (const PackageRow& row : rows) {
    SCOPED_TRACE(row.what);
    ScratchDir dir;
    WritePackage(dir / row.packageName, row);
    talvpkg::VerifyOptions options;
    options.destination = row.destination;
    talvpkg::VerifyFindings findings;
    std::string defect;
    const bool sound = talvpkg::VerifyPackage(dir / row.packageName, options, &findings, &defect);
    EXPECT_EQ(sound, *row.defect == '\0') << defect;
    if (!sound) {
      EXPECT_NE(defect.find(row.defect), std::string::npos) << defect;
      continue;
    }
    EXPECT_EQ(findings.missingProgram.empty(), row.programFound) << findings.missingProgram;
  }
}

// The tree is read as it is, and files that are not packages are named for what they are.
TEST(TalvpkgVerdictTest, WhatIsNotAFileOrNotAPackage) {
  ScratchDir dir;
  WriteFile(dir / "src/PRG/Talvenia.exe", "MZ");
  WriteFile(dir / "notes.txt", "this is a text file, not a package\n");
  WriteFile(dir / "empty.pkg", "");
  fs::create_directories(dir / "folder.pkg");
  const struct {
    const char* what;
    fs::path package;
    const char* defect;
  } rows[] = {
      {"a folder", dir / "folder.pkg", "is a folder"},
      {"a missing file", dir / "missing.pkg", "cannot be opened: "},
      {"a text file", dir / "notes.txt", "not a package made by talvpkg: "},
      {"an empty file", dir / "empty.pkg", "not a package made by talvpkg: "},
  };
  for (const auto& row : rows) {
    talvpkg::ArchiveSummary summary;
    std::string defect;
    EXPECT_FALSE(talvpkg::VerifyPackage(row.package, &summary, &defect)) << row.what;
    EXPECT_NE(defect.find(row.defect), std::string::npos) << row.what << ": " << defect;
    std::string listed;
    FILE* out = Open(dir / "listing", "wb");
    EXPECT_FALSE(talvpkg::ListPackage(row.package, out, &listed)) << row.what;
    fclose(out);
    EXPECT_NE(listed.find(row.defect), std::string::npos) << row.what << ": " << listed;
  }

  // -o never replaces a folder, not even an empty one.
  talvpkg::BuildOptions options{true, false, dir / "folder.pkg", dir / "src"};
  std::string error;
  EXPECT_FALSE(talvpkg::BuildPackage(options, &error));
  EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(dir / "folder.pkg"));

#ifndef _WIN32
  const struct {
    const char* what;
    std::function<void(const fs::path& src)> make;
    const char* error;
  } special[] = {
      {"a link to a file", [](const fs::path& src) { fs::create_symlink(src / "PRG/Talvenia.exe", src / "PRG/l"); },
       "PRG/l: is a symbolic link"},
      {"a link to a folder", [](const fs::path& src) { fs::create_directory_symlink(src / "PRG", src / "DOC"); },
       "DOC: is a symbolic link"},
      {"a link below a tag", [](const fs::path& src) { fs::create_directory_symlink(src, src / "PRG/loop"); },
       "PRG/loop: is a symbolic link"},
      {"a named pipe", [](const fs::path& src) { mkfifo((src / "PRG/pipe").c_str(), 0600); },
       "PRG/pipe: is a device file"},
  };
  for (const auto& row : special) {
    ScratchDir tree;
    WriteFile(tree / "src/PRG/Talvenia.exe", "MZ");
    row.make(tree / "src");
    talvpkg::BuildOptions linked{true, false, tree / "p.pkg", tree / "src"};
    EXPECT_FALSE(talvpkg::BuildPackage(linked, &error)) << row.what;
    EXPECT_NE(error.find(row.error), std::string::npos) << row.what << ": " << error;
    EXPECT_FALSE(fs::exists(tree / "p.pkg")) << row.what;
  }
#endif
}

}  // namespace
