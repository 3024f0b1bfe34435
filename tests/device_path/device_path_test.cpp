#include "device_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using talv::kDevicePathUnits;

TEST(DevicePathToUtf16, MapsEveryByteToTheUnitOfTheSameValue) {
  const struct {
    std::string narrow;
    std::u16string wide;
  } cases[] = {
      {"", u""},
      {"\\Windows\\TalveniaGDFS.exe", u"\\Windows\\TalveniaGDFS.exe"},
      {"\\Documenti\\Perch\xE9", u"\\Documenti\\Perch\u00E9"},  // bytes above 127 are not sign-extended
      {"\x01\x7F\x80\xFF", u"\x0001\x007F\x0080\x00FF"},
  };
  for (const auto& c : cases) {
    char16_t buffer[kDevicePathUnits];
    ASSERT_TRUE(talv::DevicePathToUtf16(c.narrow.c_str(), buffer)) << c.narrow;
    EXPECT_EQ(std::u16string(buffer), c.wide) << c.narrow;
    std::u16string out;
    ASSERT_TRUE(talv::DevicePathToUtf16(c.narrow, &out)) << c.narrow;
    EXPECT_EQ(out, c.wide) << c.narrow;
  }
}

TEST(DevicePathToUtf16, AcceptsAt259CharactersAndRefuses260) {
  for (std::size_t length : {258u, 259u, 260u, 261u, 1000u}) {
    const std::string narrow = "\\" + std::string(length - 1, 'a');
    char16_t buffer[kDevicePathUnits];
    buffer[0] = u'x';
    const bool fits = length < kDevicePathUnits;
    EXPECT_EQ(talv::DevicePathToUtf16(narrow.c_str(), buffer), fits) << length;
    EXPECT_EQ(std::u16string(buffer).size(), fits ? length : 0u) << length;
    std::u16string out = u"stale";
    EXPECT_EQ(talv::DevicePathToUtf16(narrow, &out), fits) << length;
    EXPECT_EQ(out.size(), fits ? length : 0u) << length;
  }
}

TEST(DevicePathToUtf16, RefusesNullAndEmbeddedZero) {
  char16_t buffer[kDevicePathUnits] = {u'x'};
  EXPECT_FALSE(talv::DevicePathToUtf16(nullptr, buffer));
  EXPECT_EQ(buffer[0], 0);
  std::u16string out;
  EXPECT_FALSE(talv::DevicePathToUtf16(std::string("\\a\0\\b", 5), &out));
  EXPECT_FALSE(talv::DevicePathToUtf16("\\a", nullptr));
}

TEST(NarrowFromUtf16, MapsUnitsUpTo255AndRefusesOthers) {
  const struct {
    std::u16string wide;
    bool ok;
    std::string narrow;
    std::string lenient;
  } cases[] = {
      {u"ROMDisk", true, "ROMDisk", "ROMDisk"},
      {u"Scheda \u00E8\u00FF", true, "Scheda \xE8\xFF", "Scheda \xE8\xFF"},
      {u"Card\u0100", false, "", "Card?"},
      {u"\u20AC x \u4E2D", false, "", "? x ?"},
      {u"", true, "", ""},
  };
  for (const auto& c : cases) {
    std::string out = "stale";
    EXPECT_EQ(talv::NarrowFromUtf16(c.wide.c_str(), kDevicePathUnits, &out), c.ok) << c.narrow;
    EXPECT_EQ(out, c.narrow);
    EXPECT_EQ(talv::NarrowFromUtf16Lenient(c.wide.c_str(), kDevicePathUnits), c.lenient);
  }
}

TEST(NarrowFromUtf16, StopsAtTheTerminatorOrTheFieldEnd) {
  // A fixed name field: the name, a terminator, then filler that means nothing.
  char16_t field[8] = {u'C', u'a', u'r', u'd', 0, 0x4E2D, u'x', u'y'};
  std::string out;
  ASSERT_TRUE(talv::NarrowFromUtf16(field, 8, &out));
  EXPECT_EQ(out, "Card");
  // A field filled to its end with no terminator is read no further than its size.
  char16_t full[4] = {u'A', u'B', u'C', u'D'};
  ASSERT_TRUE(talv::NarrowFromUtf16(full, 3, &out));
  EXPECT_EQ(out, "ABC");
  EXPECT_EQ(talv::NarrowFromUtf16Lenient(full, 4), "ABCD");
  EXPECT_FALSE(talv::NarrowFromUtf16(nullptr, 4, &out));
  EXPECT_EQ(talv::NarrowFromUtf16Lenient(nullptr, 4), "");
}

TEST(DevicePathText, RoundTripsEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::u16string wide;
  ASSERT_TRUE(talv::DevicePathToUtf16(all, &wide));
  std::string back;
  ASSERT_TRUE(talv::NarrowFromUtf16(wide, &back));
  EXPECT_EQ(back, all);
}

}  // namespace
