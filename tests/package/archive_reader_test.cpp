// The archive reader: the 27-byte example archive, the entry-to-device rules and every damaged archive.
#include <gtest/gtest.h>

#include <functional>

#include "archive_reader.h"
#include "archive_writer.h"
#include "package_facts.h"
#include "test_support.h"

namespace {

using namespace package_test;
using talv::ArchiveEntry;
using talv::EntryPlan;
using talv::PackageArchiveReader;

const talv::ArchiveBases kBases{"\\Storage Card\\Talvenia2016_full\\", "\\Documenti\\", "\\Windows\\",
                                "\\Windows\\Help\\"};

const unsigned char kExample[27] = {0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0x00, 0x05, 0x00, 0x03, 0x00, 0x00, 0x00,
                                    0x61, 0x2E, 0x74, 0x78, 0x74, 0x5B, 0x50, 0x52, 0x47, 0x5D, 0x61, 0x62, 0x63};

// Copies the entry's data through the caller's own reads, the way the installation worker does.
std::string CopyData(FILE* stream, uint32_t size) {
  std::string data;
  char buffer[1000];
  while (size > 0) {
    const size_t want = size < sizeof buffer ? size : sizeof buffer;
    const size_t got = fread(buffer, 1, want, stream);
    data.append(buffer, got);
    if (got < want) break;
    size -= static_cast<uint32_t>(got);
  }
  return data;
}

TEST(ArchiveExampleTest, WriterProducesTheKnownBytes) {
  ScratchDir dir;
  ByteFile file(dir, "", "w+b");
  talv::FileSink sink(file.get());
  talv::ArchiveWriter writer(&sink);
  ASSERT_TRUE(writer.WriteHeader(1, 0, 1));
  ASSERT_TRUE(writer.WriteEntry("a.txt", "[PRG]", "abc"));
  ASSERT_TRUE(writer.Finish()) << writer.Error();
  rewind(file.get());
  unsigned char bytes[40];
  ASSERT_EQ(fread(bytes, 1, sizeof bytes, file.get()), sizeof kExample);
  for (size_t i = 0; i < sizeof kExample; ++i) EXPECT_EQ(bytes[i], kExample[i]) << "offset " << i;
}

TEST(ArchiveExampleTest, ReaderFollowsTheKnownBytes) {
  ScratchDir dir;
  ByteFile file(dir, std::string(reinterpret_cast<const char*>(kExample), sizeof kExample) + "after");
  PackageArchiveReader reader(file.get());
  ASSERT_TRUE(reader.ReadHeader());
  EXPECT_EQ(reader.ProductFlag(), 1);
  EXPECT_EQ(reader.LauncherFlag(), 0);
  ASSERT_EQ(reader.EntryCount(), 1);
  ArchiveEntry entry;
  ASSERT_TRUE(reader.ReadEntry(&entry)) << reader.Error();
  EXPECT_EQ(entry.name, "a.txt");
  EXPECT_EQ(entry.folder, "[PRG]");
  EXPECT_EQ(entry.dataSize, 3u);
  const EntryPlan plan = talv::PlanEntry(entry, kBases);
  EXPECT_TRUE(plan.tagged);
  EXPECT_TRUE(plan.folderLevels.empty());
  EXPECT_EQ(plan.devicePath, "\\Storage Card\\Talvenia2016_full\\a.txt");
  EXPECT_EQ(CopyData(file.get(), entry.dataSize), "abc");
  EXPECT_TRUE(reader.DataConsumed(entry)) << reader.Error();
  EXPECT_EQ(reader.Offset(), 27u);
  // Bytes after the last entry are never read.
  EXPECT_EQ(talv::TellStream(file.get()), 27);
  EXPECT_FALSE(reader.ReadEntry(&entry));
}

TEST(PlanEntryTest, Table) {
  const struct {
    std::string name;
    std::string folder;
    bool tagged;
    std::vector<std::string> levels;
    std::string path;
  } cases[] = {
      {"Talvenia.exe", "[PRG]", true, {}, "\\Storage Card\\Talvenia2016_full\\Talvenia.exe"},
      {"rome.map",
       "[PRG]Maps\\Italy\\",
       true,
       {"\\Storage Card\\Talvenia2016_full\\Maps", "\\Storage Card\\Talvenia2016_full\\Maps\\Italy"},
       "\\Storage Card\\Talvenia2016_full\\Maps\\Italy\\rome.map"},
      {"guide.htm", "[HLP]", true, {}, "\\Windows\\Help\\guide.htm"},
      {"codec.dll", "[WIN]", true, {}, "\\Windows\\codec.dll"},
      {"letter.doc", "[DOC]Letters\\", true, {"\\Documenti\\Letters"}, "\\Documenti\\Letters\\letter.doc"},
      {"f",
       "[PRG]A\\B\\C\\",
       true,
       {"\\Storage Card\\Talvenia2016_full\\A", "\\Storage Card\\Talvenia2016_full\\A\\B",
        "\\Storage Card\\Talvenia2016_full\\A\\B\\C"},
       "\\Storage Card\\Talvenia2016_full\\A\\B\\C\\f"},
      // Tag codes compare exactly: anything else has an empty base.
      {"x.txt", "[prg]", true, {}, "x.txt"},
      {"x.txt", "[XYZ]Dir\\", true, {"Dir"}, "Dir\\x.txt"},
      {"x.txt", "[PR]]", true, {}, "x.txt"},
      // The installer's text buffers end at a stray zero byte.
      {std::string("a.txt\0.exe", 10), "[PRG]", true, {}, "\\Storage Card\\Talvenia2016_full\\a.txt"},
      {"x",
       std::string("[PRG]Maps\\\0Old\\", 15),
       true,
       {"\\Storage Card\\Talvenia2016_full\\Maps"},
       "\\Storage Card\\Talvenia2016_full\\Maps\\x"},
      // No trailing backslash: the last part joins the name, with no separator added.
      {"x.txt", "[PRG]Maps", true, {}, "\\Storage Card\\Talvenia2016_full\\Mapsx.txt"},
      // Untagged: nothing is created or copied.
      {"x.txt", "", false, {}, ""},
      {"x.txt", "[PRG", false, {}, ""},
      {"x.txt", "(PRG)Maps\\", false, {}, ""},
      {"x.txt", "[PRG)", false, {}, ""},
      {"x.txt", "PRG\\", false, {}, ""},
  };
  for (const auto& c : cases) {
    const EntryPlan plan = talv::PlanEntry(ArchiveEntry{c.name, c.folder, 0}, kBases);
    EXPECT_EQ(plan.tagged, c.tagged) << c.folder;
    EXPECT_EQ(plan.folderLevels, c.levels) << c.folder;
    EXPECT_EQ(plan.devicePath, c.path) << c.folder;
    EXPECT_FALSE(plan.pathTooLong) << c.folder;
  }
}

TEST(PlanEntryTest, DevicePathsOf260CharactersAreTooLong) {
  const std::string base = kBases.program;  // 32 characters
  const std::string folder = "[PRG]" + std::string(200, 'd') + "\\";
  for (size_t total : {258u, 259u, 260u, 261u, 300u}) {
    const std::string name(total - base.size() - 201, 'n');
    const EntryPlan plan = talv::PlanEntry(ArchiveEntry{name, folder, 1}, kBases);
    EXPECT_EQ(plan.devicePath.size(), total);
    EXPECT_EQ(plan.pathTooLong, total >= 260) << total << " characters";
  }
  // Long paths from the empty base of an unknown tag as well.
  EXPECT_TRUE(talv::PlanEntry(ArchiveEntry{std::string(259, 'n'), "[XYZ]a\\", 0}, kBases).pathTooLong);
}

// Reads a whole archive as the worker does; returns the first defect or "" and the entries read.
std::string ReadAll(FILE* stream, bool skipTagged, std::vector<ArchiveEntry>* entries = nullptr) {
  PackageArchiveReader reader(stream);
  if (!reader.ReadHeader()) return reader.Error();
  for (uint32_t i = 0; i < reader.EntryCount(); ++i) {
    ArchiveEntry entry;
    if (!reader.ReadEntry(&entry)) return reader.Error();
    bool ok;
    if (skipTagged || !talv::PlanEntry(entry, kBases).tagged) {
      ok = reader.SkipData(entry);
    } else {
      const std::string data = CopyData(stream, entry.dataSize);
      ok = reader.DataConsumed(entry);
      if (ok && data.size() != entry.dataSize) return "reported a short copy as complete";
    }
    if (!ok) return reader.Error();
    if (entries != nullptr) entries->push_back(entry);
  }
  return reader.Error();
}

TEST(ArchiveReaderTest, SoundArchives) {
  ScratchDir dir;
  const std::string tail = "bytes after the last entry";
  const struct {
    const char* what;
    std::string archive;
    size_t entries;
    size_t end;  // offset where the reader must stop
  } cases[] = {
      {"EntryCount 0", ArchiveHeader(1, 0, 0) + tail, 0, 6},
      {"DataSize 0", ArchiveHeader(0, 1, 1) + EntryBytes("empty", "[PRG]", "") + tail, 1, 6 + 18},
      {"untagged entry with data skipped, reader stays in step",
       ArchiveHeader(1, 0, 2) + EntryBytes("u", "none", "xyz") + EntryBytes("b", "[WIN]", "12") + tail, 2, 6 + 16 + 16},
      {"longest name and folder",
       ArchiveHeader(1, 0, 1) + EntryBytes(std::string(259, 'n'), "[PRG]" + std::string(254, 'f'), "d") + tail, 1,
       6 + 8 + 518 + 1},
      {"data over several buffers", ArchiveHeader(1, 0, 1) + EntryBytes("n", "[PRG]", NoiseBytes(40000, 3)) + tail, 1,
       6 + 14 + 40000},
  };
  for (bool skip : {false, true}) {
    for (const auto& c : cases) {
      ByteFile file(dir, c.archive);
      std::vector<ArchiveEntry> entries;
      EXPECT_EQ(ReadAll(file.get(), skip, &entries), "") << c.what;
      EXPECT_EQ(entries.size(), c.entries) << c.what;
      EXPECT_EQ(talv::TellStream(file.get()), static_cast<int64_t>(c.end)) << c.what << ": read past the end";
    }
  }
}

TEST(ArchiveReaderTest, DamagedArchives) {
  ScratchDir dir;
  const std::string one = ArchiveHeader(1, 0, 1);
  const std::string entry = EntryBytes("a.txt", "[PRG]", "abc");
  const struct {
    const char* what;
    std::string archive;
    const char* error;
  } cases[] = {
      {"empty archive", "", "header cut short at offset 0"},
      {"header cut short", one.substr(0, 5), "header cut short at offset 5"},
      {"no entry after the header", one, "entry 1: entry header cut short at offset 6"},
      {"entry fields cut short", one + entry.substr(0, 7), "entry 1: entry header cut short at offset 13"},
      {"name cut short", one + entry.substr(0, 10), "entry 1: name cut short at offset 16"},
      {"folder cut short", one + entry.substr(0, 16), "entry 1: folder cut short at offset 22"},
      {"data cut short", one + entry.substr(0, 19), "entry 1: data cut short at offset 25"},
      {"data missing", one + entry.substr(0, 18), "entry 1: data cut short at offset 24"},
      {"fewer entries than counted", ArchiveHeader(1, 0, 3) + entry + entry,
       "entry 3: entry header cut short at offset 48"},
      {"name length over 259", one + Le16(260) + Le16(5) + Le32(0) + std::string(260, 'n') + "[PRG]",
       "entry 1: name length 260 over 259 at offset 6"},
      {"folder length over 259", one + Le16(1) + Le16(0xFFFF) + Le32(0) + "n",
       "entry 1: folder length 65535 over 259 at offset 8"},
      {"huge data size", one + Le16(1) + Le16(5) + Le32(0xFFFFFFFF) + "n[PRG]" + std::string(100, 'd'),
       "entry 1: data cut short at offset 120"},
      {"untagged data cut short", one + EntryBytes("u", "none", "12345").substr(0, 15),
       "entry 1: data cut short at offset 21"},
  };
  for (bool skip : {false, true}) {
    for (const auto& c : cases) {
      ByteFile file(dir, c.archive);
      EXPECT_EQ(ReadAll(file.get(), skip, nullptr), c.error) << c.what << (skip ? " (skipped)" : " (copied)");
    }
  }
}

TEST(ArchiveReaderTest, CallerReadingTooMuchIsCaught) {
  ScratchDir dir;
  ByteFile file(dir, ArchiveHeader(1, 0, 2) + EntryBytes("a", "[PRG]", "abc") + EntryBytes("b", "[PRG]", "d"));
  PackageArchiveReader reader(file.get());
  ASSERT_TRUE(reader.ReadHeader());
  ArchiveEntry entry;
  ASSERT_TRUE(reader.ReadEntry(&entry));
  EXPECT_EQ(CopyData(file.get(), 5).size(), 5u);
  EXPECT_FALSE(reader.DataConsumed(entry));
  EXPECT_EQ(reader.Error(), "entry 1: data read past its end at offset 23");
  EXPECT_FALSE(reader.ReadEntry(&entry)) << "a damaged reader stays failed";
}

TEST(ArchiveReaderTest, CopyThatMeetsTheEndOfTheFileIsComplete) {
  // The last entry's copy may run into the end of the file; the data is whole all the same.
  ScratchDir dir;
  ByteFile file(dir, ArchiveHeader(1, 0, 1) + EntryBytes("a", "[PRG]", "abc"));
  PackageArchiveReader reader(file.get());
  ASSERT_TRUE(reader.ReadHeader());
  ArchiveEntry entry;
  ASSERT_TRUE(reader.ReadEntry(&entry));
  char buffer[100];
  EXPECT_EQ(fread(buffer, 1, sizeof buffer, file.get()), 3u);
  EXPECT_TRUE(feof(file.get()));
  EXPECT_TRUE(reader.DataConsumed(entry)) << reader.Error();
}

TEST(ArchiveReaderTest, NextEntryNeedsTheDataDealtWith) {
  ScratchDir dir;
  ByteFile file(dir, ArchiveHeader(1, 0, 2) + EntryBytes("a", "[PRG]", "abc") + EntryBytes("b", "[PRG]", "d"));
  PackageArchiveReader reader(file.get());
  ASSERT_TRUE(reader.ReadHeader());
  ArchiveEntry entry;
  ASSERT_TRUE(reader.ReadEntry(&entry));
  EXPECT_FALSE(reader.ReadEntry(&entry));
  EXPECT_FALSE(reader.Error().empty());
}

TEST(ArchiveWriterTest, RefusesWhatTheReaderWouldRefuse) {
  ScratchDir dir;
  const struct {
    const char* what;
    std::function<bool(talv::ArchiveWriter&)> steps;
  } cases[] = {
      {"name over 259", [](talv::ArchiveWriter& w) { return w.WriteEntry(std::string(260, 'n'), "[PRG]", ""); }},
      {"folder over 259",
       [](talv::ArchiveWriter& w) { return w.WriteEntry("n", "[PRG]" + std::string(255, 'f'), ""); }},
      {"more data than declared",
       [](talv::ArchiveWriter& w) { return w.BeginEntry("n", "[PRG]", 2) && w.WriteData("abc", 3); }},
      {"less data than declared",
       [](talv::ArchiveWriter& w) { return w.BeginEntry("n", "[PRG]", 2) && w.WriteData("a", 1) && w.Finish(); }},
      {"fewer entries than declared", [](talv::ArchiveWriter& w) { return w.Finish(); }},
      {"more entries than declared",
       [](talv::ArchiveWriter& w) {
         for (int i = 0; i < 3; ++i) {
           if (!w.WriteEntry("n", "[PRG]", "")) return false;
         }
         return true;
       }},
  };
  for (const auto& c : cases) {
    ByteFile file(dir, "", "w+b");
    talv::FileSink sink(file.get());
    talv::ArchiveWriter writer(&sink);
    ASSERT_TRUE(writer.WriteHeader(1, 0, 2));
    EXPECT_FALSE(c.steps(writer)) << c.what;
    EXPECT_FALSE(writer.Error().empty()) << c.what;
  }
}

}  // namespace
