// The real TalveniaGDFS.exe, the ARM Windows CE build, started through the emulator's CeCreateProcess on a scratch
// emulated handheld: what the installer deploys is what the emulated handheld runs, on its ARM CPU emulator. The
// agent's behaviour row by row is tested natively on the same image (agent_behaviour_test.cpp); here the start,
// the device model it sees and the link's figures afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agent_expectations.h"
#include "rapi.h"
#include "scratch_device.h"

namespace {

using agent_test::Hex;
using agent_test::kAgentDevicePath;
using agent_test::Narrow;
using agent_test::ReportRecord;
using agent_test::ScratchDevice;

const wchar_t kReport[] = L"\\MSize.DFS";
const wchar_t kTalveniaIni[] = L"\\ROMDisk2\\INI\\Talvenia2016.ini";
const wchar_t kFendroIni[] = L"\\ROMDisk2\\INI\\OstrelField.ini";

std::wstring AgentPath() {
  std::wstring path;
  for (const char* c = TALV_AGENT_EXE; *c != 0; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return path[0] == L'\\' ? L"Z:" + path : path;  // a path of the build machine, seen through Wine
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
    device.WriteFile(L"\\readme.txt", "not a volume");
    device.WriteFile(L"\\ROMDisk\\data.bin", std::string(1048579, 'x'));
  }

  // One record per volume, in the order of device.ini: the emulated handheld's root search lists them so.
  static std::string ExpectedReport() {
    std::string report;
    for (const wchar_t* name : {L"ROMDisk", L"ROMDisk2", L"Storage Card", L"Big Card"})
      report += ReportRecord(Narrow(name), ExpectedMegabytes(name));
    return report;
  }

  ScratchDevice device;
};

TEST_F(AgentOnEmulator, WithoutSwitchReportsEveryVolumeOfTheDevice) {
  ASSERT_EQ(device.Run(AgentPath(), L""), "exit 0");
  const std::string report = device.ReadFile(kReport);
  EXPECT_EQ(report.size(), 4u * 528u) << Hex(report);
  EXPECT_EQ(report, ExpectedReport()) << "got " << Hex(report, 2112);
  EXPECT_FALSE(device.Exists(kTalveniaIni));
  EXPECT_FALSE(device.Exists(kFendroIni));
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
    ASSERT_EQ(device.Run(AgentPath(), c.arguments), "exit 0") << Narrow(c.arguments);
    const std::string entry = device.ReadFile(c.written);
    EXPECT_EQ(entry, c.bytes) << Narrow(c.arguments) << " wrote " << Hex(entry, 200);
    EXPECT_FALSE(device.Exists(c.untouched)) << Narrow(c.arguments);
    EXPECT_EQ(device.ReadFile(kReport), "report in place") << Narrow(c.arguments);
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
      EXPECT_EQ(scratch.Run(AgentPath(), arguments), "exit 0") << c.what;
      EXPECT_FALSE(scratch.Exists(kTalveniaIni)) << c.what;
      EXPECT_FALSE(scratch.Exists(kFendroIni)) << c.what;
      EXPECT_FALSE(scratch.Exists(kReport)) << c.what;
    }
  }
}

// The handheld's loader runs the agent only on an ARM handheld, and only an image it can load.
TEST_F(AgentOnEmulator, OnlyAnArmHandheldRunsTheAgent) {
  const std::string ini = kDeviceIni;
  const std::string onX86 =
      ini.substr(0, ini.find("processor=5")) + "processor=0" + ini.substr(ini.find("processor=5") + 11);
  EXPECT_EQ(device.Run(AgentPath(), L""), "exit 0");
  device.WriteIni(onX86);
  DeleteFileW(device.Host(kReport).c_str());
  EXPECT_EQ(device.Run(AgentPath(), L""), "start refused, error 193");
  EXPECT_FALSE(device.Exists(kReport));

  // An ARMv7 (Thumb-2) image: the same headers with machine 0x1C4, which these handhelds refuse.
  device.WriteIni(kDeviceIni);
  ScratchDevice build;
  std::string image = agent_test::ReadHostFile(AgentPath());
  ASSERT_GT(image.size(), 0x200u);
  const std::size_t machine =
      static_cast<unsigned char>(image[0x3C]) + 256u * static_cast<unsigned char>(image[0x3D]) + 4;
  image[machine] = static_cast<char>(0xC4);
  const std::wstring armnt = build.folder() + L"\\armnt.exe";
  agent_test::WriteHostFile(armnt, image);
  EXPECT_EQ(device.Run(armnt, L""), "start refused, error 193");
}

// The link measures its free-space figures again once a program the handheld runs on its own has ended, so a
// figure taken while the agent ran does not outlive it.
TEST_F(AgentOnEmulator, FreeSpaceCountsWhatTheAgentWrote) {
  device.MakeFolder(L"\\Windows");
  ASSERT_TRUE(CopyFileW(AgentPath().c_str(), device.Host(kAgentDevicePath).c_str(), FALSE));
  SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", device.folder().c_str());
  RAPIINIT init = {sizeof init, nullptr, 0};
  ASSERT_EQ(CeRapiInitEx(&init), S_OK);
  SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", nullptr);
  ASSERT_EQ(WaitForSingleObject(init.heRapiInit, 5000), WAIT_OBJECT_0);
  STORE_INFORMATION before = {}, after = {};
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(
      CeCreateProcess(kAgentDevicePath, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &process));
  ASSERT_TRUE(CeGetStoreInformation(&before));  // most likely while the agent still runs
  const std::wstring result = device.folder() + L"\\runs\\" + std::to_wstring(process.dwProcessId) + L".result";
  for (int i = 0; i < 1000 && GetFileAttributesW(result.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
  ASSERT_TRUE(CeGetStoreInformation(&after));
  CeRapiUninit();
  const DWORD outsideVolumes =
      12 /* readme.txt */ + 4 * 528 /* the report */ + static_cast<DWORD>(device.ReadFile(kAgentDevicePath).size());
  EXPECT_EQ(after.dwFreeSize, 33554432u - outsideVolumes) << "taken during the run: " << before.dwFreeSize;
}

}  // namespace
