// What talvpkg refuses: source trees a package cannot hold (nothing left behind) and packages whose
// paths would leave the extraction folder (nothing written).
#include <gtest/gtest.h>

#include "build_package.h"
#include "install_folder.h"
#include "package_commands.h"
#include "source_tree.h"
#include "test_support.h"

namespace {

using namespace package_test;

size_t CountItems(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

struct BuildRefusal {
  const char* what;
  std::vector<std::string> files;  // relative to the source folder, UTF-8
  const char* message;             // part of the error
};

TEST(TalvpkgBuildTest, RefusesWhatAPackageCannotHold) {
  const std::string deep = "PRG/" + std::string(200, 'a') + "/" + std::string(60, 'b') + "/f";
  const std::vector<BuildRefusal> cases = {
      {"unknown top-level folder", {"PRG/ok", "EXTRA/f"}, "only the folders PRG, DOC, WIN and HLP"},
      {"lower-case tag folder", {"prg/f"}, "only the folders PRG, DOC, WIN and HLP"},
      {"file at top level", {"readme.txt"}, "only the folders PRG, DOC, WIN and HLP"},
      {"character outside ISO 8859-1", {"PRG/\xE2\x82\xAC.txt"}, "outside ISO 8859-1"},
      {"character outside ISO 8859-1 in a folder", {"DOC/\xE6\x97\xA5/f"}, "outside ISO 8859-1"},
#ifndef _WIN32
      // Paths and names that Windows cannot even create (its paths stop at 260 characters).
      {"folder over 259 bytes", {deep}, "folder (with its tag) is over 259 bytes"},
      {"reserved device name", {"WIN/nul.txt"}, "reserved device name NUL"},
      {"bytes that are not UTF-8", {"PRG/\xFF.txt"}, "not UTF-8"},
      {"backslash in a name", {"PRG/a\\b"}, "the character '\\'"},
      {"colon in a name", {"PRG/c:d"}, "the character ':'"},
      {"trailing dot", {"HLP/name."}, "trailing dot or space"},
      // The device names the handheld reserves beyond NUL and COM1..9, which the emulated handheld refuses.
      {"console input", {"PRG/CONIN$"}, "reserved device name CONIN$"},
      {"console output with extension", {"PRG/conout$.txt"}, "reserved device name CONOUT$"},
      {"clock", {"DOC/Clock$"}, "reserved device name CLOCK$"},
      {"port zero", {"PRG/COM0"}, "reserved device name COM0"},
      {"superscript one", {"PRG/COM\xC2\xB9"}, "reserved device name COM\xC2\xB9"},
      {"superscript three in a folder", {"HLP/lpt\xC2\xB3/f"}, "reserved device name LPT\xC2\xB3"},
#endif
  };
  for (const BuildRefusal& c : cases) {
    ScratchDir dir;
    for (const std::string& file : c.files) WriteFile(dir / ("src/" + file), "data");
    fs::create_directories(dir / "out");
    talvpkg::BuildOptions options{true, false, dir / "out/p.pkg", dir / "src"};
    std::string error;
    EXPECT_FALSE(talvpkg::BuildPackage(options, &error)) << c.what;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": got \"" << error << "\"";
    EXPECT_EQ(CountItems(dir / "out"), 0u) << c.what << ": something was left behind";
  }
}

TEST(TalvpkgBuildTest, RefusesFilesOfFourGigabytes) {
  ScratchDir dir;
  WriteFile(dir / "src/PRG/small", "x");
  WriteFile(dir / "src/PRG/huge", "");
  fs::resize_file(dir / "src/PRG/huge", 4294967296ull);  // sparse
  talvpkg::BuildOptions options{true, false, dir / "p.pkg", dir / "src"};
  std::string error;
  EXPECT_FALSE(talvpkg::BuildPackage(options, &error));
  EXPECT_NE(error.find("4 GiB or more"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(options.output));
}

TEST(TalvpkgBuildTest, EntryLimitCountsEveryFile) {
  // The real limit is 65,535; 65,536 files take too long to create for a unit test, so the same count
  // runs with a small limit over files spread across tags and folders.
  ScratchDir dir;
  for (const char* file : {"PRG/a", "PRG/x/b", "DOC/c", "HLP/y/z/d"}) WriteFile(dir / ("src/" + std::string(file)), "");
  std::vector<talvpkg::SourceFile> files;
  std::string error;
  EXPECT_TRUE(talvpkg::CollectSourceFiles(dir / "src", &files, &error, 4)) << error;
  EXPECT_EQ(files.size(), 4u);
  EXPECT_FALSE(talvpkg::CollectSourceFiles(dir / "src", &files, &error, 3));
  EXPECT_NE(error.find("more than 3 files"), std::string::npos) << error;
  EXPECT_TRUE(talvpkg::CollectSourceFiles(dir / "src", &files, &error)) << "default limit: " << error;
}

TEST(TalvpkgBuildTest, FailedBuildKeepsAnEarlierPackage) {
  ScratchDir dir;
  WriteFile(dir / "p.pkg", "earlier package");
  WriteFile(dir / "src/BAD/f", "x");
  talvpkg::BuildOptions options{true, false, dir / "p.pkg", dir / "src"};
  std::string error;
  EXPECT_FALSE(talvpkg::BuildPackage(options, &error));
  EXPECT_EQ(ReadFile(dir / "p.pkg"), "earlier package");
}

// A package of one entry with the given Folder and Name, plus a harmless entry before it.
void WriteOneEntryPackage(const fs::path& path, const std::string& folder, const std::string& name) {
  ASSERT_TRUE(talv_test::WritePackage(path, 1, 0, {{"first.txt", "[PRG]", "first"}, {name, folder, "payload"}}));
}

TEST(TalvpkgExtractTest, RefusesPathsLeavingTheFolder) {
  const struct {
    std::string folder;
    std::string name;
  } cases[] = {
      {"[PRG]..\\..\\", "escape.txt"},
      {"[PRG]", ".."},
      {"[PRG]a\\..\\..\\", "x"},
      {"[PRG]\\abs\\", "x"},
      {"[PRG]C:\\Windows\\", "x"},
      {"[PRG]", "C:x"},
      {"[PRG]", "a/../../x"},
      {"[PRG]a\\\\b\\", "x"},
      {"[DOC]", "/etc/passwd"},
      {"[PRG]", ""},
      {"[XYZ]", "unknown.txt"},
      {"[prg]", "lower.txt"},
      {"[WIN]", "CON"},
      {"[PRG]", std::string("a\0b", 3)},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    WriteOneEntryPackage(dir / "p.pkg", c.folder, c.name);
    talvpkg::ArchiveSummary summary;
    std::string error;
    EXPECT_FALSE(talvpkg::ExtractPackage(dir / "p.pkg", dir / "out", &summary, &error)) << c.folder << c.name;
    EXPECT_NE(error.find("entry 2: "), std::string::npos) << c.folder << c.name << ": got \"" << error << "\"";
    EXPECT_FALSE(fs::exists(dir / "out")) << c.folder << c.name << ": written before refusing";
    EXPECT_EQ(CountItems(dir.path()), 1u) << c.folder << c.name << ": temporary file left behind";
  }
}

TEST(TalvpkgExtractTest, UntaggedEntryWithDataIsRefused) {
  ScratchDir dir;
  WriteOneEntryPackage(dir / "p.pkg", "untagged", "u");
  talvpkg::ArchiveSummary summary;
  std::string error;
  EXPECT_FALSE(talvpkg::ExtractPackage(dir / "p.pkg", dir / "out", &summary, &error));
  EXPECT_NE(error.find("entry 2: untagged entry with data"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(TalvpkgExtractTest, EmptyUntaggedEntriesAreSkipped) {
  ScratchDir dir;
  talvpkg::ArchiveSummary summary;
  std::string error;
  ASSERT_TRUE(talv_test::WritePackage(dir / "q.pkg", 1, 0, {{"note", "untagged", ""}, {"a.txt", "[PRG]", "abc"}}));
  ASSERT_TRUE(talvpkg::ExtractPackage(dir / "q.pkg", dir / "out", &summary, &error)) << error;
  EXPECT_EQ(ReadFile(dir / "out/PRG/a.txt"), "abc");
  EXPECT_EQ(CountItems(dir / "out"), 1u);
}

// The folder a release's name installs into, by the installer's rule, and the names refused because that folder
// would surprise their vendor.
TEST(TalvpkgFolderTest, NamesAndTheFoldersTheyMake) {
  const struct {
    const char* name;
    bool productA, launcher;
    const char* folder;
    const char* problem;  // part of the reason; empty: accepted
  } cases[] = {
      {"Talvenia2016_full.pkg", true, false, "Talvenia2016_full", ""},
      {"Talvenia2016_full.pkg", true, true, "PROGRAM\\Talvenia\\Talvenia2016", ""},
      {"Fendro_v2_2017a.pkg", false, true, "PROGRAM\\Fendro\\Fendro_v2_2017", ""},
      {"Citt\u00e0.PKG", true, false, "Citt\u00e0", ""},
      {"Talvenia2017.pkg", true, true, "PROGRAM\\Talvenia\\Talvenia2017", "Talvenia2016\\Talvenia.exe"},
      {"Fendro_base.pkg", false, true, "PROGRAM\\Fendro\\Fendro", "needs a year"},
      {"Talvenia_1202_2016.pkg", true, true, "PROGRAM\\Talvenia\\Talvenia_1202_", "inside another number"},
      {"Fendro20x.pkg", false, true, "PROGRAM\\Fendro\\Fendro20x", "not followed by two digits"},
      {"\u0141\u00f3d\u017a.pkg", true, false, "", "ISO 8859-1"},
      {"a?b.pkg", true, false, "a?b", "the character '?'"},
      {"Talvenia .pkg", true, false, "Talvenia ", "trailing dot or space"},
      {"Talvenia.zip", true, false, "", "*.pkg"},
  };
  for (const auto& c : cases) {
    const talvpkg::InstallFolder folder = talvpkg::CheckInstallFolder(c.name, c.productA, c.launcher);
    EXPECT_EQ(folder.folder, c.folder) << c.name;
    if (*c.problem == '\0') {
      EXPECT_EQ(folder.problem, "") << c.name;
    } else {
      EXPECT_NE(folder.problem.find(c.problem), std::string::npos) << c.name << ": got \"" << folder.problem << "\"";
    }
  }
}

}  // namespace
