// The real TalveniaGDFS.exe, started as the emulator starts it, on a scratch emulated handheld.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "agent_expectations.h"
#include "scratch_device.h"

namespace {

using agent_test::Hex;
using agent_test::Narrow;
using agent_test::ReportRecord;
using agent_test::ScratchDevice;

const wchar_t kReport[] = L"\\MSize.DFS";
const wchar_t kTalveniaIni[] = L"\\ROMDisk2\\INI\\Talvenia2016.ini";
const wchar_t kFendroIni[] = L"\\ROMDisk2\\INI\\OstrelField.ini";

std::wstring AgentPath() {
  std::wstring path;
  for (const char* c = TALV_AGENT_EXE; *c != 0; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return path[0] == L'\\' ? L"Z:" + path : path;  // a Unix path of the build machine, seen through Wine
}

const char kDeviceIni[] =
    "[device]\r\nconnected=1\r\nprocessor=5\r\nstore_size=33554432\r\n"
    "[volume:ROMDisk]\r\nsize=67108864\r\n"
    "[volume:ROMDisk2]\r\nsize=16777216\r\n"
    "[volume:Storage Card]\r\nsize=1073741824\r\n"
    "[volume:Big Card]\r\nsize=6442450944\r\n";

// Free megabytes of each volume above once the test's files are in place.
double ExpectedMegabytes(const std::wstring& name) {
  if (name == L"ROMDisk") return (67108864.0 - 1048579.0) / 1024.0 / 1024.0;
  if (name == L"ROMDisk2") return 16.0;
  if (name == L"Storage Card") return 1024.0;
  if (name == L"Big Card") return 6144.0;  // above 4 GiB
  return -100.0;
}

class AgentOnEmulator : public ::testing::Test {
 protected:
  void SetUp() override {
    device.WriteIni(kDeviceIni);
    for (const wchar_t* folder :
         {L"\\Windows", L"\\Extra", L"\\ROMDisk", L"\\ROMDisk2", L"\\ROMDisk2\\INI", L"\\Storage Card", L"\\Big Card"})
      device.MakeFolder(folder);
    device.WriteFile(L"\\Windows\\TalveniaGDFS.exe", "MZ");
    device.WriteFile(L"\\readme.txt", "not a volume");
    device.WriteFile(L"\\ROMDisk\\data.bin", std::string(1048579, 'x'));
  }

  // The report the agent must write: one record per volume folder, in the host's enumeration order.
  std::string ExpectedReport(const std::vector<std::wstring>& volumes) const {
    std::string report;
    for (const std::wstring& name : device.RootNames()) {
      for (const std::wstring& volume : volumes)
        if (name == volume) report += ReportRecord(Narrow(name), ExpectedMegabytes(name));
    }
    return report;
  }

  ScratchDevice device;
};

TEST_F(AgentOnEmulator, WithoutSwitchReportsEveryVolumeOfTheDevice) {
  ASSERT_EQ(device.Run(AgentPath(), L""), 0);
  const std::string report = device.ReadFile(kReport);
  EXPECT_EQ(report.size(), 4u * 528u) << Hex(report);
  EXPECT_EQ(report, ExpectedReport({L"ROMDisk", L"ROMDisk2", L"Storage Card", L"Big Card"}))
      << "got " << Hex(report, 2112);
  EXPECT_FALSE(device.Exists(kTalveniaIni));
  EXPECT_FALSE(device.Exists(kFendroIni));
}

TEST_F(AgentOnEmulator, SecondRunReplacesTheReport) {
  ASSERT_EQ(device.Run(AgentPath(), L""), 0);
  // Undocked cards: their folders stay in root\ but are no longer volumes.
  device.WriteIni("[device]\r\nstore_size=33554432\r\n[volume:ROMDisk]\r\nsize=67108864\r\n");
  ASSERT_EQ(device.Run(AgentPath(), L""), 0);
  const std::string report = device.ReadFile(kReport);
  EXPECT_EQ(report, ReportRecord("ROMDisk", ExpectedMegabytes(L"ROMDisk"))) << Hex(report);
}

TEST_F(AgentOnEmulator, DeviceWithoutVolumesGetsAnEmptyReport) {
  device.WriteIni("[device]\r\nstore_size=33554432\r\n");
  device.WriteFile(kReport, "an older report");
  ASSERT_EQ(device.Run(AgentPath(), L""), 0);
  EXPECT_EQ(device.ReadFile(kReport), "");
}

TEST_F(AgentOnEmulator, SwitchesWriteTheLauncherEntryAndNothingElse) {
  struct Case {
    const wchar_t* arguments;
    const wchar_t* written;
    const wchar_t* untouched;
    std::string bytes;
  };
  const Case cases[] = {
      {L"-talvspec", kTalveniaIni, kFendroIni, agent_test::kTalveniaIni},
      {L"-fenspec", kFendroIni, kTalveniaIni, agent_test::kFendroIni},
  };
  for (const Case& c : cases) {
    DeleteFileW(device.Host(c.untouched).c_str());
    device.WriteFile(c.written, std::string(300, 'o'));
    device.WriteFile(kReport, "report in place");
    ASSERT_EQ(device.Run(AgentPath(), c.arguments), 0) << Narrow(c.arguments);
    const std::string entry = device.ReadFile(c.written);
    EXPECT_EQ(entry, c.bytes) << Narrow(c.arguments) << " wrote " << Hex(entry, 200);
    EXPECT_FALSE(device.Exists(c.untouched)) << Narrow(c.arguments);
    EXPECT_EQ(device.ReadFile(kReport), "report in place") << Narrow(c.arguments);
  }
}

TEST_F(AgentOnEmulator, AnyOtherArgumentTextWritesTheReport) {
  const wchar_t* const argumentTexts[] = {L"-TALVSPEC", L"-talvspec ",         L" -talvspec",
                                          L"/talvspec", L"-talvspec -fenspec", L"\"-fenspec\""};
  const std::string expected = ExpectedReport({L"ROMDisk", L"ROMDisk2", L"Storage Card", L"Big Card"});
  for (const wchar_t* arguments : argumentTexts) {
    DeleteFileW(device.Host(kReport).c_str());
    ASSERT_EQ(device.Run(AgentPath(), arguments), 0) << "[" << Narrow(arguments) << "]";
    EXPECT_EQ(device.ReadFile(kReport), expected) << "[" << Narrow(arguments) << "]";
    EXPECT_FALSE(device.Exists(kTalveniaIni)) << "[" << Narrow(arguments) << "]";
    EXPECT_FALSE(device.Exists(kFendroIni)) << "[" << Narrow(arguments) << "]";
  }
}

TEST_F(AgentOnEmulator, SwitchWritesNothingWhereTheEntryCannotGo) {
  struct Case {
    const char* what;
    const char* ini;
    bool removeIniFolder;
  };
  const Case cases[] = {
      {"no folder \\ROMDisk2\\INI", kDeviceIni, true},
      {"ROMDisk2 write-protected", "[device]\r\n[volume:ROMDisk2]\r\nsize=16777216\r\nreadonly=1\r\n", false},
  };
  for (const Case& c : cases) {
    ScratchDevice scratch;
    scratch.WriteIni(c.ini);
    scratch.MakeFolder(L"\\ROMDisk2");
    if (!c.removeIniFolder) scratch.MakeFolder(L"\\ROMDisk2\\INI");
    for (const wchar_t* arguments : {L"-talvspec", L"-fenspec"}) {
      EXPECT_EQ(scratch.Run(AgentPath(), arguments), 0) << c.what;
      EXPECT_FALSE(scratch.Exists(kTalveniaIni)) << c.what;
      EXPECT_FALSE(scratch.Exists(kFendroIni)) << c.what;
      EXPECT_FALSE(scratch.Exists(kReport)) << c.what;
    }
  }
}

TEST(AgentWithoutEmulator, WritesNothingWithoutADeviceFolder) {
  ScratchDevice sandbox;
  const std::wstring copy = sandbox.folder() + L"\\TalveniaGDFS.exe";
  ASSERT_TRUE(CopyFileW(AgentPath().c_str(), copy.c_str(), FALSE));
  for (const wchar_t* arguments : {L"", L"-talvspec"}) {
    EXPECT_EQ(agent_test::RunAgent(copy, arguments, L""), 0) << "[" << Narrow(arguments) << "]";
    EXPECT_EQ(GetFileAttributesW((sandbox.folder() + L"\\device").c_str()), INVALID_FILE_ATTRIBUTES)
        << "a device folder appeared beside the program";
    EXPECT_TRUE(sandbox.RootNames().empty());
  }
}

// The vendor's build and ours carry the same icon: group 101 with a 32x32 and a 16x16 image in 16 colours,
// in a program of the GUI subsystem (no console appears on the handheld or the PC).
TEST(AgentProgram, IsAGuiProgramWithItsSixteenColourIcons) {
  struct Unload {
    void operator()(HMODULE module) const { FreeLibrary(module); }
  };
  std::unique_ptr<std::remove_pointer_t<HMODULE>, Unload> module(
      LoadLibraryExW(AgentPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_NE(module, nullptr) << "cannot load " << Narrow(AgentPath());
  HMODULE image = module.get();
  const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(image) & ~ULONG_PTR(3));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

#pragma pack(push, 2)
  struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
  };
#pragma pack(pop)
  HRSRC group = FindResourceW(image, MAKEINTRESOURCEW(101), MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
  ASSERT_NE(group, nullptr);
  const auto* header = static_cast<const WORD*>(LockResource(LoadResource(image, group)));
  ASSERT_EQ(header[2], 2) << "images in icon group 101";
  const auto* entries = reinterpret_cast<const GroupEntry*>(header + 3);
  for (int i = 0; i < 2; ++i) {
    const int size = i == 0 ? 32 : 16;
    EXPECT_EQ(entries[i].width, size);
    EXPECT_EQ(entries[i].height, size);
    EXPECT_EQ(entries[i].colours, 16);
    EXPECT_EQ(entries[i].bitCount, 4);
    HRSRC icon = FindResourceW(image, MAKEINTRESOURCEW(entries[i].id), MAKEINTRESOURCEW(3) /* RT_ICON */);
    ASSERT_NE(icon, nullptr) << "image " << entries[i].id;
    const auto* bitmap = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(image, icon)));
    EXPECT_EQ(bitmap->biWidth, size);
    EXPECT_EQ(bitmap->biHeight, 2 * size) << "colour and mask";
    EXPECT_EQ(bitmap->biBitCount, 4);
    EXPECT_EQ(SizeofResource(image, icon), 40u + 64u + size * size / 2 + size * ((size / 8 + 3) / 4 * 4));
  }
}

}  // namespace
