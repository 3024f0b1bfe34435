// device.ini's volumes and main store as RAPI.dll and the native ARM runner both read them: built for Windows
// (the Windows text services) and natively (their portable stand-ins), with the same expectations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_ini.h"
#include "device_volumes.h"

namespace {

struct ExpectedVolume {
  std::wstring name;
  uint64_t size;
  bool readOnly;
};

struct Case {
  const char* what;
  std::string bytes;
  uint64_t storeSize;
  std::vector<ExpectedVolume> volumes;
};

std::string Utf16WithMark(const std::u16string& text) {
  std::string bytes("\xFF\xFE", 2);
  for (char16_t unit : text) bytes += static_cast<char>(unit & 0xFF), bytes += static_cast<char>(unit >> 8);
  return bytes;
}

TEST(DeviceLayout, VolumesAndStoreSizeFollowTheEmulatorsRules) {
  const Case cases[] = {
      {"volumes keep the file's order; keys and section names ignore case",
       "[DEVICE]\nStore_Size=0x2000000\n[volume:Zeta]\nSIZE=5\n[Volume:Alpha]\nsize=7 ; comment\nReadOnly=1\n",
       33554432,
       {{L"Zeta", 5, false}, {L"Alpha", 7, true}}},
      {"repeats (in any case) and names that are no plain folder name are ignored",
       "[volume:Card]\nsize=1\n[volume:CARD]\nsize=2\n[volume:a:b]\n[volume:..]\n[volume:NUL]\n[volume:x\\y]\n"
       "[volume:dot.]\n[volume:  Spaced]\nsize=3\n",
       32u << 20,
       {{L"Card", 1, false}, {L"Spaced", 3, false}}},
      {"unreadable numbers keep the defaults",
       "[device]\nstore_size=12abc\n[volume:V]\nsize=\nreadonly=yes\n",
       32u << 20,
       {{L"V", 0, false}}},
      {"UTF-8 with its mark",
       "\xEF\xBB\xBF[volume:M\xC3\xA9moire]\nsize=9\n",
       32u << 20,
       {{L"M\u00e9moire", 9, false}}},
      {"not UTF-8: the ANSI code page", "[volume:Caf\xE9]\nsize=9\n", 32u << 20, {{L"Caf\u00e9", 9, false}}},
      {"UTF-16LE with its mark",
       Utf16WithMark(u"[volume:\u00c9t\u00e9]\r\nsize=4\r\n"),
       32u << 20,
       {{L"\u00c9t\u00e9", 4, false}}},
  };
  for (const Case& c : cases) {
    const emu::DeviceLayout layout = emu::ReadDeviceLayout(emu::ParseIni(emu::DecodeIniText(c.bytes)));
    EXPECT_EQ(layout.storeSize, c.storeSize) << c.what;
    ASSERT_EQ(layout.volumes.size(), c.volumes.size()) << c.what;
    for (std::size_t i = 0; i < c.volumes.size(); ++i) {
      EXPECT_TRUE(layout.volumes[i].name == c.volumes[i].name) << c.what << ": volume " << i;
      EXPECT_EQ(layout.volumes[i].size, c.volumes[i].size) << c.what << ": volume " << i;
      EXPECT_EQ(layout.volumes[i].readOnly, c.volumes[i].readOnly) << c.what << ": volume " << i;
    }
  }
}

}  // namespace
