// talvpkg's build, verify, list and extract, called as library functions: round trips at several sizes
// and entry counts, and what verify finds in damaged packages.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "archive_writer.h"
#include "build_package.h"
#include "deflate_sink.h"
#include "inflate_package.h"
#include "package_commands.h"
#include "test_support.h"

namespace {

using namespace package_test;
using Tree = std::map<std::string, std::string>;  // relative path (generic form, UTF-8) -> contents

Tree ReadTree(const fs::path& root) {
  Tree tree;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    if (item.is_regular_file()) tree[fs::relative(item.path(), root).generic_u8string()] = ReadFile(item.path());
  }
  return tree;
}

void WriteTree(const fs::path& root, const Tree& tree) {
  std::set<fs::path> folders;
  for (const auto& [path, contents] : tree) {
    const fs::path file = root / fs::u8path(path);
    if (folders.insert(file.parent_path()).second) fs::create_directories(file.parent_path());
    FILE* out = Open(file, "wb");
    ASSERT_NE(out, nullptr) << path;
    EXPECT_EQ(fwrite(contents.data(), 1, contents.size(), out), contents.size()) << path;
    fclose(out);
  }
}

struct RoundTrip {
  const char* what;
  Tree tree;
};

std::vector<RoundTrip> RoundTrips() {
  Tree many;
  for (int i = 0; i < 10000; ++i) {
    many["PRG/d" + std::to_string(i % 37) + "/f" + std::to_string(i)] = std::to_string(i * 7919);
  }
  return {
      {"one empty file", {{"PRG/Talvenia.exe", ""}}},
      {"one byte", {{"DOC/a", "x"}}},
      {"every tag, nested folders, Latin-1 names",
       {{"PRG/Talvenia.exe", "MZ program"},
        {"PRG/Maps/Italy/rome.map", NoiseBytes(5000, 1)},
        {"PRG/Maps/Italy/Città/Perù.map", "accents"},
        {"DOC/Lettere/ÿ.txt", "y umlaut"},
        {"WIN/codec.dll", "codec"},
        {"HLP/guide.htm", "<p>guida</p>"}}},
      {"buffer boundaries",
       {{"PRG/a", std::string(16383, 'a')},
        {"PRG/b", std::string(16384, 'b')},
        {"PRG/c", NoiseBytes(16385, 2)},
        {"PRG/d", std::string(65536, 'd')}}},
      {"a few megabytes", {{"PRG/big.bin", NoiseBytes(3 << 20, 4)}, {"HLP/zeros", std::string(2 << 20, '\0')}}},
      {"10,000 entries", many},
  };
}

TEST(TalvpkgRoundTripTest, BuildVerifyExtractCompare) {
  for (const RoundTrip& c : RoundTrips()) {
    ScratchDir dir;
    WriteTree(dir / "src", c.tree);
    talvpkg::BuildOptions options{false, true, dir / "Fendro2017.pkg", dir / "src"};
    std::string error;
    size_t entries = 0;
    ASSERT_TRUE(talvpkg::BuildPackage(options, &error, &entries)) << c.what << ": " << error;
    EXPECT_EQ(entries, c.tree.size()) << c.what;

    talvpkg::ArchiveSummary summary;
    ASSERT_TRUE(talvpkg::VerifyPackage(options.output, &summary, &error)) << c.what << ": " << error;
    EXPECT_EQ(summary.entryCount, c.tree.size()) << c.what;
    EXPECT_EQ(summary.productFlag, 0) << c.what;
    EXPECT_EQ(summary.launcherFlag, 1) << c.what;

    ASSERT_TRUE(talvpkg::ExtractPackage(options.output, dir / "out", &summary, &error)) << c.what << ": " << error;
    const Tree extracted = ReadTree(dir / "out");
    EXPECT_EQ(extracted.size(), c.tree.size()) << c.what;
    EXPECT_TRUE(extracted == c.tree) << c.what << ": extracted files differ";
    // Only the package and the two trees: no temporary file left behind.
    const auto items = std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator());
    EXPECT_EQ(items, 3) << c.what;
  }
}

TEST(TalvpkgRoundTripTest, ProductInstallerDecompressesWhatTheToolBuilt) {
  ScratchDir dir;
  WriteTree(dir / "src", {{"PRG/Talvenia.exe", "MZ"}, {"PRG/Maps/a.map", NoiseBytes(70000, 9)}});
  talvpkg::BuildOptions options{true, false, dir / "p.pkg", dir / "src"};
  std::string error;
  ASSERT_TRUE(talvpkg::BuildPackage(options, &error)) << error;
  FILE* source = Open(options.output, "rb");
  FILE* archive = Open(dir / "TFInst.pkg", "w+b");
  ASSERT_TRUE(source && archive);
  EXPECT_EQ(InflatePackage(source, archive), 0);
  fclose(source);
  fclose(archive);
  const std::string bytes = ReadFile(dir / "TFInst.pkg");
  // Entries are sorted by tag, folder and name: the bare [PRG] folder comes before [PRG]Maps\.
  const std::string expected = ArchiveHeader(1, 0, 2) + EntryBytes("Talvenia.exe", "[PRG]", "MZ") +
                               EntryBytes("a.map", "[PRG]Maps\\", NoiseBytes(70000, 9));
  EXPECT_TRUE(bytes == expected) << bytes.size() << " bytes, " << expected.size() << " expected";
}

TEST(TalvpkgRoundTripTest, ListShowsFlagsAndEntries) {
  ScratchDir dir;
  WriteTree(dir / "src", {{"PRG/Maps/Italy/rome.map", "12345"}, {"HLP/guide.htm", ""}});
  talvpkg::BuildOptions options{true, true, dir / "p.pkg", dir / "src"};
  std::string error;
  ASSERT_TRUE(talvpkg::BuildPackage(options, &error)) << error;
  FILE* out = Open(dir / "listing", "w+b");
  ASSERT_TRUE(talvpkg::ListPackage(options.output, out, &error)) << error;
  fclose(out);
  EXPECT_EQ(ReadFile(dir / "listing"),
            "product: talvenia (1)\nlauncher: 1\nentries: 2\n"
            "PRG\tMaps\\Italy\\\trome.map\t5\nHLP\t\tguide.htm\t0\n");
}

// What the installer tolerates, list tolerates too, and says so; verify (above) refuses it.
TEST(TalvpkgListTest, ExtraBytesAreListedWithAWarning) {
  ScratchDir dir;
  const std::string sound = ArchiveHeader(1, 0, 1) + EntryBytes("a.txt", "[PRG]", "abc");
  const struct {
    const char* what;
    std::string package;
    std::vector<std::string> warnings;
  } cases[] = {
      {"sound", Compress(sound), {}},
      {"bytes after the stream",
       Compress(sound) + "xyz",
       {"3 bytes after the end of the zlib stream, ignored (verify refuses them)"}},
      {"bytes after the last entry",
       Compress(sound + "junk"),
       {"4 bytes after the last entry at offset 27, ignored (verify refuses them)"}},
  };
  for (const auto& c : cases) {
    WriteFile(dir / "p.pkg", c.package);
    FILE* out = Open(dir / "listing", "w+b");
    std::string defect;
    std::vector<std::string> warnings;
    EXPECT_TRUE(talvpkg::ListPackage(dir / "p.pkg", out, &defect, &warnings)) << c.what << ": " << defect;
    fclose(out);
    EXPECT_EQ(ReadFile(dir / "listing"), "product: talvenia (1)\nlauncher: 0\nentries: 1\nPRG\t\ta.txt\t3\n") << c.what;
    EXPECT_EQ(warnings, c.warnings) << c.what;
  }
}

TEST(TalvpkgVerifyTest, DefectsWithOffsets) {
  ScratchDir dir;
  const std::string sound = ArchiveHeader(1, 0, 1) + EntryBytes("a.txt", "[PRG]", "abc");
  const std::string compressed = Compress(sound);
  const struct {
    const char* what;
    std::string package;
    const char* defect;
  } cases[] = {
      {"empty package", "", "zlib stream cut short at offset 0"},
      {"stream cut short", compressed.substr(0, compressed.size() - 3), "zlib stream cut short at offset"},
      {"bytes after the stream", compressed + "x", "bytes after the end of the zlib stream at offset"},
      {"preset dictionary", Compress(sound, 9, "dictionary"), "needs a preset dictionary"},
      {"not zlib", "this is not a package", "zlib stream damaged at offset"},
      {"bytes after the last entry", Compress(sound + "junk"), "bytes after the last entry at offset 27"},
      {"data cut short", Compress(sound.substr(0, 26)), "entry 1: data cut short at offset 26"},
      {"header cut short", Compress("\x01"), "header cut short at offset 1"},
      {"missing entry", Compress(ArchiveHeader(1, 0, 2) + sound.substr(6)),
       "entry 2: entry header cut short at offset 27"},
      {"name too long", Compress(ArchiveHeader(1, 0, 1) + EntryBytes(std::string(300, 'n'), "[PRG]", "")),
       "entry 1: name length 300 over 259 at offset 6"},
      {"untagged entry with data", Compress(ArchiveHeader(1, 0, 1) + EntryBytes("u", "none", "abc")),
       "entry 1: untagged entry with data at offset 6"},
  };
  for (const auto& c : cases) {
    WriteFile(dir / "p.pkg", c.package);
    talvpkg::ArchiveSummary summary;
    std::string defect;
    EXPECT_FALSE(talvpkg::VerifyPackage(dir / "p.pkg", &summary, &defect)) << c.what;
    EXPECT_NE(defect.find(c.defect), std::string::npos) << c.what << ": got \"" << defect << "\"";
  }
}

}  // namespace
