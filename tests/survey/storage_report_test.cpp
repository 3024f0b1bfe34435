// The storage report as bytes: records, free-space figures, the launcher filter and unusual names.
#include "storage_survey.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using talv::kReportRecordBytes;

// One record as the agent writes it: the name, a zero unit, filler, then the little-endian double.
std::vector<unsigned char> Record(const std::u16string& name, double megabytes, unsigned char filler = 0xCC) {
  std::vector<unsigned char> bytes(kReportRecordBytes, filler);
  for (std::size_t i = 0; i <= name.size() && i < talv::kReportNameUnits; ++i) {
    const char16_t unit = i < name.size() ? name[i] : 0;
    bytes[2 * i] = static_cast<unsigned char>(unit & 0xFF);
    bytes[2 * i + 1] = static_cast<unsigned char>(unit >> 8);
  }
  uint64_t bits = 0;
  std::memcpy(&bits, &megabytes, sizeof bits);
  for (int i = 0; i < 8; ++i) bytes[talv::kReportNameBytes + i] = static_cast<unsigned char>(bits >> (8 * i));
  return bytes;
}

std::vector<unsigned char> Concat(std::initializer_list<std::vector<unsigned char>> parts) {
  std::vector<unsigned char> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(ParseStorageReport, ReadsEveryWholeRecordInOrder) {
  const auto report =
      Concat({Record(u"ROMDisk", 12.5), Record(u"Storage Card", 1000.0, 0x00), Record(u"Perch\u00E9", 0.019)});
  const auto records = talv::ParseStorageReport(report.data(), report.size());
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].name, "ROMDisk");
  EXPECT_EQ(records[0].freeMegabytes, 12.5);
  EXPECT_EQ(records[1].name, "Storage Card");
  EXPECT_EQ(records[1].freeMegabytes, 1000.0);
  EXPECT_EQ(records[2].name, "Perch\xE9");  // ISO 8859-1, byte for byte
  EXPECT_EQ(records[2].freeMegabytes, 0.019);
}

TEST(ParseStorageReport, TheAgentsKnownBytesGiveRomDiskWith12AndAHalf) {
  std::vector<unsigned char> report(kReportRecordBytes, 0x5A);
  const unsigned char name[] = {0x52, 0, 0x4F, 0, 0x4D, 0, 0x44, 0, 0x69, 0, 0x73, 0, 0x6B, 0, 0, 0};
  const unsigned char megabytes[] = {0, 0, 0, 0, 0, 0, 0x29, 0x40};
  std::memcpy(report.data(), name, sizeof name);
  std::memcpy(report.data() + 520, megabytes, sizeof megabytes);
  const auto records = talv::ParseStorageReport(report.data(), report.size());
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "ROMDisk");
  EXPECT_EQ(records[0].freeMegabytes, 12.5);
}

TEST(ParseStorageReport, EmptyOrCutShortReportsGiveOnlyWholeRecords) {
  const auto two = Concat({Record(u"A", 1.0), Record(u"B", 2.0)});
  const struct {
    std::size_t size;
    std::size_t records;
  } cases[] = {{0, 0}, {1, 0}, {527, 0}, {528, 1}, {529, 1}, {528 + 520, 1}, {1055, 1}, {1056, 2}};
  for (const auto& c : cases) {
    EXPECT_EQ(talv::ParseStorageReport(two.data(), c.size).size(), c.records) << "size " << c.size;
  }
  EXPECT_TRUE(talv::ParseStorageReport(nullptr, 528).empty());
}

TEST(ParseStorageReport, NamesStopAtTheTerminatorOrTheFieldAndShowWideCharactersAsQuestionMarks) {
  const struct {
    std::u16string name;
    std::string expected;
  } cases[] = {
      {u"", ""},
      {u"Scheda \u03A9 \u4E2D", "Scheda ? ?"},
      {u"\u00FF\u0100", "\xFF?"},
      {std::u16string(259, u'n'), std::string(259, 'n')},
  };
  for (const auto& c : cases) {
    const auto bytes = Record(c.name, 1.0);
    EXPECT_EQ(talv::ParseStorageReport(bytes.data(), bytes.size()).at(0).name, c.expected);
  }
  // A name field without any terminator is read to its end and no further (the double does not leak in).
  std::vector<unsigned char> unterminated = Record(u"", 1.0);
  for (std::size_t i = 0; i < talv::kReportNameBytes; i += 2) unterminated[i] = 'x', unterminated[i + 1] = 0;
  EXPECT_EQ(talv::ParseStorageReport(unterminated.data(), unterminated.size()).at(0).name, std::string(260, 'x'));
}

TEST(HundredthsOfMegabyte, TruncatesTowardZeroAndClampsToThe32BitRange) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double megabytes;
    int32_t expected;
  } cases[] = {
      // clang-format off
      {12.5, 1250},       {1000.0, 100000},   {3.0, 300},          {0.009, 0},          {0.019, 1},
      {0.0, 0},           {-0.009, 0},        {-0.5, -50},         {16.0, 1600},        {6144.0, 614400},
      {21474836.48, 2147483647}, {1e12, 2147483647}, {inf, 2147483647}, {-1e12, INT32_MIN}, {nan, -1},
      // clang-format on
  };
  for (const auto& c : cases) EXPECT_EQ(talv::HundredthsOfMegabyte(c.megabytes), c.expected) << c.megabytes;
}

TEST(HundredthsOfMegabyte, MainStoreBytes) {
  const struct {
    uint32_t bytes;
    int32_t expected;
  } cases[] = {{3145728u, 300}, {0u, 0}, {10485u, 0}, {10486u, 1}, {33554432u, 3200}, {0xFFFFFFFFu, 409599}};
  for (const auto& c : cases) EXPECT_EQ(talv::HundredthsOfMegabyteFromBytes(c.bytes), c.expected) << c.bytes;
}

TEST(OfferedVolumes, LauncherInstallationsKeepOnlyRomDiskInAnyAsciiCase) {
  const struct {
    const char* name;
    bool launcher;
    bool offered;
  } cases[] = {
      {"ROMDisk", true, true},
      {"romdisk", true, true},
      {"ROMDISK", true, true},
      {"ROMDisk2", true, false},
      {"ROMDisk ", true, false},
      {"Storage Card", true, false},
      {"ROMDis", true, false},
      {"R\xD3MDisk", true, false},
      {"ROMDisk2", false, true},
      {"Storage Card", false, true},
      {"Scheda ?", false, true},
      {"", false, false},
      {"", true, false},
      {"a\\b", false, false},
      {"\\Programmi\\", false, false},
      {"x/y", false, false},
  };
  for (const auto& c : cases) {
    talv::StorageReportRecord record;
    record.name = c.name;
    EXPECT_EQ(talv::IsOfferedVolume(record, c.launcher), c.offered) << c.name << " launcher " << c.launcher;
  }
}

TEST(UsableVolumeNames, OnlyNamesThatAddressTheirOwnFolder) {
  const struct {
    std::string name;
    bool usable;
  } cases[] = {
      {"ROMDisk", true},   {"Storage Card", true}, {"Perch\xE9", true}, {"a.b", true},
      {"Scheda ?", false}, {"*", false},           {"", false},         {".", false},
      {"..", false},       {"a:b", false},         {"a\\b", false},     {"a/b", false},
      {"a\"b", false},     {"<a>", false},         {"a|b", false},      {std::string("a\x01", 2), false},
  };
  for (const auto& c : cases) EXPECT_EQ(talv::IsUsableVolumeName(c.name), c.usable) << c.name;
}

}  // namespace
