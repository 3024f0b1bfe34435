// The installation operation, entry by entry, against a fake handheld: what reaches the device, in which
// order and how often; what the bar and the log show; when it stops and what it reports.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fake_install_host.h"
#include "install_operation.h"
#include "test_support.h"

using namespace install_test;
using package_test::ArchiveHeader;
using package_test::ByteFile;
using package_test::EntryBytes;
using package_test::ScratchDir;

namespace {

const talv::ArchiveBases kBases{"\\Storage Card\\Talvenia\\", "\\Documenti\\", "\\Windows\\", "\\Windows\\Help\\"};
constexpr char kProgram[] = "\\Storage Card\\Talvenia\\";
constexpr char kCompleted[] = "\r\nInstallazione completata";
constexpr char kInterrupted[] = "\r\n\r\nInstallazione interrotta";

struct Entry {
  std::string name, folder, data;
};

std::string Archive(const std::vector<Entry>& entries, int declared = -1) {
  std::string bytes = ArchiveHeader(1, 0, static_cast<uint16_t>(declared < 0 ? entries.size() : declared));
  for (const Entry& e : entries) bytes += EntryBytes(e.name, e.folder, e.data);
  return bytes;
}

std::string P(const std::string& rest) { return kProgram + rest; }

const std::vector<Entry> kNested = {
    {"Talvenia.exe", "[PRG]", "MZ"},
    {"rome.map", "[PRG]Maps\\Italy\\", "rome"},
    {"milan.map", "[PRG]Maps\\Italy\\", "milan"},
    {"", "untagged", ""},
    {"guide.htm", "[HLP]", "<html>"},
    {"paris.map", "[PRG]Maps\\France\\", "paris"},
};

struct OperationCase {
  const char* label;
  std::string archive;
  std::function<void(FakeDevice&, FakePage&)> arrange;
  int result;
  uint32_t deviceError;
  std::vector<std::string> folders;  // every folder creation asked of the device, in order
  std::vector<std::string> copies;   // every copy asked of the device, in order
  std::string log;
  int position;  // the bar when the operation returned
  std::vector<std::string> reports;
};

void Nothing(FakeDevice&, FakePage&) {}

std::vector<OperationCase> Cases() {
  const std::vector<std::string> allFolders = {P("Maps"), P("Maps\\Italy"), P("Maps\\France")};
  const std::vector<std::string> allCopies = {P("Talvenia.exe"), P("Maps\\Italy\\rome.map"),
                                              P("Maps\\Italy\\milan.map"), "\\Windows\\Help\\guide.htm",
                                              P("Maps\\France\\paris.map")};
  const std::string allLines = CopyLines({"Talvenia.exe", "rome.map", "milan.map", "guide.htm", "paris.map"});
  return {
      {"every entry, each folder created once",
       Archive(kNested),
       Nothing,
       talv::kInstallCompleted,
       0,
       allFolders,
       allCopies,
       allLines + kCompleted,
       6,
       {}},
      {"no entries", Archive({}), Nothing, talv::kInstallCompleted, 0, {}, {}, kCompleted, 1, {}},
      {"stop before the first entry",
       Archive(kNested),
       [](FakeDevice&, FakePage& p) { p.stopBefore = 0; },
       talv::kInstallInterrupted,
       0,
       {},
       {},
       kInterrupted,
       0,
       {}},
      {"stop before the third entry",
       Archive(kNested),
       [](FakeDevice&, FakePage& p) { p.stopBefore = 2; },
       talv::kInstallInterrupted,
       0,
       {P("Maps"), P("Maps\\Italy")},
       {allCopies[0], allCopies[1]},
       CopyLines({"Talvenia.exe", "rome.map"}) + kInterrupted,
       1,
       {}},
      {"stop before the last entry",
       Archive(kNested),
       [](FakeDevice&, FakePage& p) { p.stopBefore = 5; },
       talv::kInstallInterrupted,
       0,
       {P("Maps"), P("Maps\\Italy")},
       {allCopies.begin(), allCopies.end() - 1},
       CopyLines({"Talvenia.exe", "rome.map", "milan.map", "guide.htm"}) + kInterrupted,
       4,
       {}},
      {"device error on the second copy",
       Archive(kNested),
       [](FakeDevice& d, FakePage&) {
         d.failCopy = 2;
         d.failError = 112;
       },
       talv::kInstallFailed,
       112,
       {P("Maps"), P("Maps\\Italy")},
       {allCopies[0], allCopies[1]},
       CopyLines({"Talvenia.exe", "rome.map"}),
       1,
       {"device error 112"}},
      {"a folder refused once is asked for again by the next entry in it",
       Archive(kNested),
       [](FakeDevice& d, FakePage&) { d.refuseOnce = {P("Maps\\Italy")}; },
       talv::kInstallCompleted,
       0,
       {P("Maps"), P("Maps\\Italy"), P("Maps\\Italy"), P("Maps\\France")},
       allCopies,
       allLines + kCompleted,
       6,
       {}},
      {"archive cut short inside the second entry's data",
       Archive(kNested).substr(
           0, Archive({kNested[0]}).size() + EntryBytes("rome.map", "[PRG]Maps\\Italy\\", "rome").size() - 2),
       Nothing,
       talv::kInstallFailed,
       0,
       {P("Maps"), P("Maps\\Italy")},
       {allCopies[0], allCopies[1]},
       CopyLines({"Talvenia.exe", "rome.map"}),
       1,
       {"damaged"}},
      {"more entries declared than the archive holds",
       Archive({kNested[0]}, 2),
       Nothing,
       talv::kInstallFailed,
       0,
       {},
       {allCopies[0]},
       CopyLines({"Talvenia.exe"}),
       0,
       {"damaged"}},
      {"header cut short", Archive({}).substr(0, 4), Nothing, talv::kInstallFailed, 0, {}, {}, "", -1, {"damaged"}},
      {"a device path of 260 characters is refused without asking the device",
       Archive({{"a.txt", "[PRG]", "a"}, {std::string(260 - 23, 'n'), "[PRG]", "n"}, {"c.txt", "[PRG]", "c"}}),
       Nothing,
       talv::kInstallFailed,
       talv::kDevicePathTooLongError,
       {},
       {P("a.txt")},
       CopyLines({"a.txt", std::string(260 - 23, 'n')}),
       1,
       {"device error 206"}},
  };
}

TEST(InstallOperationTest, CopiesEachEntryOnceAndStopsWhereItMust) {
  ASSERT_EQ(std::string(kProgram).size(), 23u);
  for (const OperationCase& c : Cases()) {
    SCOPED_TRACE(c.label);
    ScratchDir dir;
    ByteFile archive(dir, c.archive);
    FakeDevice device;
    FakePage page;
    c.arrange(device, page);
    const talv::InstallOutcome outcome = talv::RunInstallation(archive.get(), kBases, device, page);
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.deviceError, c.deviceError);
    EXPECT_EQ(device.foldersAsked, c.folders);
    EXPECT_EQ(device.copies, c.copies);
    EXPECT_EQ(page.log, c.log);
    EXPECT_EQ(page.position, c.position);
    EXPECT_EQ(page.reports, c.reports);
    // The stop request is asked for once before each entry the operation reached, and never after it stopped.
    for (size_t i = 0; i < page.polls.size(); ++i) EXPECT_EQ(page.polls[i], static_cast<int>(i));
    if (page.stopBefore >= 0) {
      EXPECT_EQ(page.polls.back(), page.stopBefore);
    }
  }
}

TEST(InstallOperationTest, CopiedFilesHoldTheirEntrysBytes) {
  ScratchDir dir;
  ByteFile archive(dir, Archive(kNested));
  FakeDevice device;
  FakePage page;
  ASSERT_EQ(talv::RunInstallation(archive.get(), kBases, device, page).result, talv::kInstallCompleted);
  EXPECT_EQ(device.files[P("Talvenia.exe")], "MZ");
  EXPECT_EQ(device.files[P("Maps\\Italy\\rome.map")], "rome");
  EXPECT_EQ(device.files[P("Maps\\Italy\\milan.map")], "milan");
  EXPECT_EQ(device.files["\\Windows\\Help\\guide.htm"], "<html>");
  EXPECT_EQ(device.files[P("Maps\\France\\paris.map")], "paris");
  EXPECT_EQ(page.rangeHigh, 7);
}

// The largest archive: the bar's range needs 32 bits, each of its folders is still made once, and the bar
// ends one step past the last entry.
TEST(InstallOperationTest, LargestArchiveRunsToItsLastEntry) {
  std::string bytes = ArchiveHeader(1, 0, 0xFFFF);
  for (int i = 0; i < 0xFFFF; ++i)
    bytes += EntryBytes("e" + std::to_string(i), "[PRG]d" + std::to_string(i / 1000) + "\\", "");
  ScratchDir dir;
  ByteFile archive(dir, bytes);
  FakeDevice device;
  FakePage page;
  const talv::InstallOutcome outcome = talv::RunInstallation(archive.get(), kBases, device, page);
  EXPECT_EQ(outcome.result, talv::kInstallCompleted);
  EXPECT_EQ(page.rangeHigh, 65536);
  EXPECT_EQ(page.position, 65535);
  EXPECT_EQ(page.positionsSet, 65536);
  EXPECT_EQ(page.polls.size(), 65535u);
  EXPECT_EQ(device.copies.size(), 65535u);
  EXPECT_EQ(device.foldersAsked.size(), 66u);
  EXPECT_EQ(device.copies.back(), P("d65\\e65534"));
  const std::string tail = "Copia di e65534\r\n" + std::string(kCompleted);
  ASSERT_GE(page.log.size(), tail.size());
  EXPECT_EQ(page.log.substr(page.log.size() - tail.size()), tail);
}

}  // namespace
