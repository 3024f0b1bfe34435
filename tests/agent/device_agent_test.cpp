#include "device_agent.h"

#include <gtest/gtest.h>

#include <string>

#include "agent_expectations.h"
#include "fake_handheld.h"

namespace {

using agent_test::FakeHandheld;
using agent_test::Hex;
using agent_test::ReportRecord;
using agent_test::Volume;

const std::u16string kReport = u"\\MSize.DFS";
const std::u16string kTalveniaIni = u"\\ROMDisk2\\INI\\Talvenia2016.ini";
const std::u16string kFendroIni = u"\\ROMDisk2\\INI\\OstrelField.ini";

class DeviceAgent : public ::testing::Test {
 protected:
  DeviceAgent() {
    handheld.folders.insert(u"\\ROMDisk2");
    handheld.folders.insert(u"\\ROMDisk2\\INI");
    handheld.folders.insert(u"\\Windows");
  }
  void TearDown() override {
    EXPECT_EQ(handheld.openStreams, 0) << "a stream was left open";
    EXPECT_EQ(handheld.openSearches, 0) << "a search was left open";
  }
  int Run(const char16_t* commandLine) { return agent::RunDeviceAgent(handheld, commandLine); }
  std::string Report() const {
    auto it = handheld.files.find(kReport);
    return it == handheld.files.end() ? std::string("<missing>") : it->second;
  }

  FakeHandheld handheld;
};

TEST_F(DeviceAgent, ReportHasOneRecordPerVolumeInEnumerationOrder) {
  handheld.root = {
      {agent::kAttributeDirectory, u"Windows", {}},
      Volume(u"Storage Card", 1048576000),
      {0x20, u"readme.txt", {}},
      {agent::kAttributeTemporary | 0x20, u"scratch.tmp", {}},  // temporary but not a folder
      {agent::kAttributeDirectory | 0x2, u"Hidden", {}},
      Volume(u"ROMDisk", 13107200),
  };
  EXPECT_EQ(Run(u""), 0);
  const std::string expected = ReportRecord("Storage Card", 1000.0) + ReportRecord("ROMDisk", 12.5);
  ASSERT_EQ(Report().size(), 1056u);
  EXPECT_EQ(Report(), expected) << "got " << Hex(Report(), 1056);
  EXPECT_EQ(handheld.queriedPaths, (std::vector<std::u16string>{u"Storage Card", u"ROMDisk"}))
      << "only volumes are queried, by their bare names";
}

TEST_F(DeviceAgent, RomDiskRecordHasTheKnownBytes) {
  handheld.root = {Volume(u"ROMDisk", 13107200)};
  Run(nullptr);
  const std::string report = Report();
  ASSERT_EQ(report.size(), 528u) << Hex(report);
  const std::string head("\x52\x00\x4F\x00\x4D\x00\x44\x00\x69\x00\x73\x00\x6B\x00\x00\x00", 16);
  EXPECT_EQ(report.substr(0, 16), head) << Hex(report.substr(0, 16));
  EXPECT_EQ(report.substr(16, 520 - 16), std::string(504, '\0'))
      << "the filler must be zeros, not the find data's leftovers: " << Hex(report.substr(16, 504));
  EXPECT_EQ(report.substr(520), std::string("\x00\x00\x00\x00\x00\x00\x29\x40", 8)) << Hex(report.substr(520));
}

TEST_F(DeviceAgent, FreeSpaceFiguresAreTotalFreeBytesInMegabytes) {
  struct Case {
    std::uint64_t freeBytes;
    double megabytes;
  };
  const Case cases[] = {
      {0, 0.0},
      {5369757696ull, 5121.0},                    // above 4 GiB: not cut to 32 bits (that gives 1025)
      {0xFFFFFFFFFFFFFFFFull, 17592186044416.0},  // 2^64 rounds to the nearest double
      {3407872, 3.25},                            // 00 00 00 00 00 00 0A 40: a line feed among the bytes
      {1536, 1536.0 / 1024.0 / 1024.0},
  };
  for (const Case& c : cases) {
    handheld.root = {Volume(u"Storage Card", c.freeBytes)};
    Run(u"");
    EXPECT_EQ(Report(), ReportRecord("Storage Card", c.megabytes))
        << c.freeBytes << " free bytes gave " << Hex(Report().substr(512));
  }
}

TEST_F(DeviceAgent, FailedFreeSpaceQueryGivesMinusOneMegabyte) {
  handheld.root = {Volume(u"ROMDisk", 13107200), Volume(u"Storage Card", 1048576)};
  handheld.root[0].queryFails = true;
  Run(u"");
  EXPECT_EQ(Report(), ReportRecord("ROMDisk", -1.0) + ReportRecord("Storage Card", 1.0))
      << Hex(Report().substr(512, 32));
}

TEST_F(DeviceAgent, ReportWithoutVolumesIsAnEmptyFile) {
  struct Case {
    const char* what;
    std::vector<agent_test::RootEntry> root;
    bool enumerationFails;
  };
  const Case cases[] = {
      {"no volume", {{agent::kAttributeDirectory, u"Windows", {}}, {0x20, u"a.txt", {}}}, false},
      {"empty root", {}, false},
      {"root cannot be enumerated", {Volume(u"ROMDisk", 1)}, true},
  };
  for (const Case& c : cases) {
    handheld.files[kReport] = "stale report of an earlier run";
    handheld.root = c.root;
    handheld.enumerationFails = c.enumerationFails;
    EXPECT_EQ(Run(u""), 0) << c.what;
    EXPECT_EQ(Report(), "") << c.what;
  }
}

TEST_F(DeviceAgent, SecondRunLeavesOnlyItsOwnRecords) {
  handheld.root = {Volume(u"ROMDisk", 1048576), Volume(u"Storage Card", 2097152)};
  Run(u"");
  handheld.root = {Volume(u"ROMDisk", 3145728)};
  Run(u"");
  EXPECT_EQ(Report(), ReportRecord("ROMDisk", 3.0)) << Hex(Report());
}

TEST_F(DeviceAgent, LongestNamesStayTerminatedInsideTheField) {
  const std::u16string longest(259, u'v');
  const std::u16string unterminated(260, u'w');
  handheld.root = {Volume(longest, 1048576), Volume(unterminated, 2097152)};
  Run(u"");
  const std::string report = Report();
  ASSERT_EQ(report.size(), 1056u);
  EXPECT_EQ(report.substr(0, 528), ReportRecord(std::string(259, 'v'), 1.0));
  EXPECT_EQ(report.substr(528), ReportRecord(std::string(259, 'w'), -1.0))
      << "a name with no terminator is cut to 259 units; no such volume can be queried";
}

TEST_F(DeviceAgent, ReportThatCannotBeCreatedLeavesNothing) {
  handheld.root = {Volume(u"ROMDisk", 1048576)};
  handheld.unwritable.insert(kReport);
  EXPECT_EQ(Run(u""), 0);
  EXPECT_EQ(handheld.files.count(kReport), 0u);
  EXPECT_EQ(handheld.searchesStarted, 0);
}

TEST_F(DeviceAgent, SwitchesWriteTheLauncherEntryByteForByte) {
  struct Case {
    const char16_t* commandLine;
    std::u16string written;
    std::u16string untouched;
    std::string bytes;
  };
  const Case cases[] = {
      {u"-talvspec", kTalveniaIni, kFendroIni, agent_test::kTalveniaIni},
      {u"-fenspec", kFendroIni, kTalveniaIni, agent_test::kFendroIni},
  };
  handheld.root = {Volume(u"ROMDisk", 1048576)};
  for (const Case& c : cases) {
    handheld.files.clear();
    handheld.files[c.written] = "[Launcher]\r\nview_name=old\r\nexe_path=old entry, longer than the new one\r\n";
    handheld.files[kReport] = "report in place";
    EXPECT_EQ(Run(c.commandLine), 0);
    EXPECT_EQ(handheld.files[c.written], c.bytes) << "got " << Hex(handheld.files[c.written], 200);
    EXPECT_EQ(handheld.files.count(c.untouched), 0u);
    EXPECT_EQ(Report(), "report in place") << "a switch run must not touch the storage report";
    EXPECT_EQ(handheld.searchesStarted, 0);
  }
}

TEST_F(DeviceAgent, AnyOtherCommandLineWritesTheStorageReport) {
  const char16_t* const commandLines[] = {
      u"",           u"-TALVSPEC", u"-Talvspec",          u"-talvspec ",
      u" -talvspec", u"/talvspec", u"-talvspec -fenspec", u"-fenspec -talvspec",
      u"talvspec",   u"-talvspe",  u"-fenspec\n",         u"\"-fenspec\"",
  };
  handheld.root = {Volume(u"ROMDisk", 13107200)};
  for (const char16_t* commandLine : commandLines) {
    handheld.files.clear();
    EXPECT_EQ(Run(commandLine), 0);
    EXPECT_EQ(Report(), ReportRecord("ROMDisk", 12.5))
        << "command line of " << std::u16string(commandLine).size() << " units";
    EXPECT_EQ(handheld.files.size(), 1u) << "only the report is written";
  }
}

TEST_F(DeviceAgent, SwitchWithoutLauncherFolderWritesNothing) {
  handheld.folders.erase(u"\\ROMDisk2\\INI");
  for (const char16_t* commandLine : {u"-talvspec", u"-fenspec"}) {
    EXPECT_EQ(Run(commandLine), 0);
    EXPECT_TRUE(handheld.files.empty()) << handheld.files.size() << " files written";
  }
}

}  // namespace
