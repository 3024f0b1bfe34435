#include "device_path_win.h"

#include <gtest/gtest.h>

namespace {

TEST(DevicePathWin, FillsTheRapiBuffer) {
  wchar_t buffer[talv::kDevicePathUnits];
  ASSERT_TRUE(talv::DevicePathToWide("\\Documenti\\Citt\xE0", buffer));
  EXPECT_STREQ(buffer, L"\\Documenti\\Citt\u00E0");
  const std::string tooLong = "\\" + std::string(259, 'a');
  EXPECT_FALSE(talv::DevicePathToWide(tooLong.c_str(), buffer));
  EXPECT_STREQ(buffer, L"");
}

TEST(DevicePathWin, ConvertsNamesBack) {
  std::string out;
  EXPECT_TRUE(talv::NarrowFromWide(L"Storage Card", 260, &out));
  EXPECT_EQ(out, "Storage Card");
  EXPECT_FALSE(talv::NarrowFromWide(L"Card \u4E2D", 260, &out));
  EXPECT_EQ(out, "");
  EXPECT_EQ(talv::NarrowFromWideLenient(L"Card \u4E2D", 260), "Card ?");
  EXPECT_FALSE(talv::NarrowFromWide(nullptr, 260, &out));
}

}  // namespace
