// Programs started on the handheld, and the handheld's facts: special folders, main store, processor.
#include <string>

#include "emulated_device.h"
#include "emulator_fixture.h"

namespace emu_test {
namespace {

std::wstring BesideThisTest(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

bool Start(const wchar_t* image, const wchar_t* commandLine) {
  PROCESS_INFORMATION process = {};
  return CeCreateProcess(image, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &process) != FALSE;
}

class EmulatorPrograms : public EmulatorTest {};

TEST_F(EmulatorPrograms, RecordsEveryStartInProcessesLog) {
  ASSERT_TRUE(CeCreateDirectory(L"\\Windows", nullptr));
  ASSERT_TRUE(PutFile(L"\\Windows\\Agent.exe", "not a host program"));
  ASSERT_TRUE(PutFile(L"\\Card\\Talvenia.exe", "MZ but nothing more"));
  EXPECT_FALSE(Start(L"\\Windows\\Missing.exe", L"-talvspec"));
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(Start(L"\\Windows", nullptr)) << "a folder is no program";
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(Start(L"\\Windows\\Agent.exe", nullptr));
  EXPECT_TRUE(Start(L"\\windows\\agent.exe", L"-fenspec"));
  EXPECT_TRUE(Start(L"\\Card\\Talvenia.exe", L""));
  std::string log;
  ASSERT_TRUE(ReadHostFile(device_.Path() + L"\\processes.log", &log));
  EXPECT_EQ(log,
            "\\Windows\\Agent.exe\t\r\n"
            "\\windows\\agent.exe\t-fenspec\r\n"
            "\\Card\\Talvenia.exe\t\r\n");
  EXPECT_FALSE(HostExists(Root(L"\\processes.log"))) << "the log lives outside the handheld's file system";
}

// A program runs only on a handheld whose processor it was built for; the loader refuses any other. Every start
// asked is recorded, the refused ones too.
TEST_F(EmulatorPrograms, RunsAProgramOnlyOnTheProcessorItWasBuiltFor) {
  const WORD hostProcessor = sizeof(void*) == 8 ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL;
  std::string marker;
  ASSERT_TRUE(ReadHostFile(BesideThisTest(L"emulator_marker_program.exe"), &marker));
  std::string armMarker = marker;  // an ARM machine type on a PC program's headers: no Windows CE program
  const uint32_t peOffset = *reinterpret_cast<const uint32_t*>(marker.data() + 0x3C);
  armMarker[peOffset + 4] = static_cast<char>(0xC0);
  armMarker[peOffset + 5] = 0x01;
  const struct {
    const char* label;
    const std::string* image;
    WORD processor;
    bool started;
  } cases[] = {
      {"PC program, handheld with the PC's processor", &marker, hostProcessor, true},
      {"PC program, ARM handheld", &marker, PROCESSOR_ARCHITECTURE_ARM, false},
      {"ARM machine type with a PC program's headers, ARM handheld", &armMarker, PROCESSOR_ARCHITECTURE_ARM, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    CeRapiUninit();
    RemoveTree(device_.Path());
    CreateDirectoryW(device_.Path().c_str(), nullptr);
    WriteIni("[device]\r\nanswer_ms=0\r\nprocessor=" + std::to_string(c.processor) + "\r\n");
    ASSERT_EQ(Connect(device_.Path()), S_OK);
    ASSERT_TRUE(CeCreateDirectory(L"\\Windows", nullptr));
    ASSERT_TRUE(WriteHostFile(Root(L"\\Windows\\Marker.exe"), *c.image));
    PROCESS_INFORMATION process = {};
    const BOOL started = CeCreateProcess(L"\\Windows\\Marker.exe", L"-talvspec x", nullptr, nullptr, FALSE, 0, nullptr,
                                         nullptr, nullptr, &process);
    EXPECT_EQ(started != FALSE, c.started) << CeGetLastError();
    std::string log;
    ReadHostFile(device_.Path() + L"\\processes.log", &log);
    EXPECT_EQ(log, "\\Windows\\Marker.exe\t-talvspec x\r\n");
    if (!c.started) {
      EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
      Sleep(300);
      EXPECT_FALSE(HostExists(Root(L"\\marker.txt"))) << "a refused program must not run";
      continue;
    }
    EXPECT_TRUE(CeCloseHandle(process.hProcess));
    EXPECT_TRUE(CeCloseHandle(process.hThread));
    std::string written;
    for (int i = 0; i < 200 && !ReadHostFile(Root(L"\\marker.txt"), &written); ++i) Sleep(50);
    const std::wstring expected = L"-talvspec x\n" + device_.Path();
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(written.data()), written.size() / sizeof(wchar_t)),
              expected);
  }
}

TEST_F(EmulatorPrograms, ReportsTheHandheldsFolders) {
  const struct {
    int csidl;
    const wchar_t* path;
  } folders[] = {
      {0x26, L"\\Programmi"}, {0x10, L"\\Windows\\Desktop"}, {0x07, L"\\Windows\\Avvio"}, {0x05, L"\\Documenti"}};
  for (const auto& folder : folders) {
    wchar_t buffer[MAX_PATH] = L"stale";
    EXPECT_EQ(CeGetSpecialFolderPath(folder.csidl, MAX_PATH, buffer), wcslen(folder.path)) << folder.csidl;
    EXPECT_STREQ(buffer, folder.path) << folder.csidl;
  }
  wchar_t small[5] = L"xxxx";
  EXPECT_EQ(CeGetSpecialFolderPath(0x26, 5, small), 0u);
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_STREQ(small, L"");
  EXPECT_EQ(CeGetSpecialFolderPath(0x1A, MAX_PATH, small), 0u) << "a folder the handheld does not name";
  SYSTEM_INFO system = {};
  CeGetSystemInfo(&system);
  EXPECT_EQ(system.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_ARM);
}

TEST_F(EmulatorPrograms, ReadsTheProcessorAndMissingKeysFromTheIni) {
  CeRapiUninit();
  WriteIni(
      "[device]\r\nprocessor=0\r\nanswer_ms=0\r\n[volume:..]\r\nsize=1\r\n[volume:a\\b]\r\nsize=1\r\n"
      "[volume:Card]\r\nsize=0x1000\r\n[volume:CARD]\r\nsize=9\r\n");
  ASSERT_EQ(Connect(device_.Path()), S_OK);
  SYSTEM_INFO system = {};
  CeGetSystemInfo(&system);
  EXPECT_EQ(system.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
  wchar_t buffer[MAX_PATH];
  EXPECT_GT(CeGetSpecialFolderPath(0x26, MAX_PATH, buffer), 0u);
  EXPECT_STREQ(buffer, L"\\Programmi") << "a missing key keeps the default";
  emu::DeviceConfig config;
  ASSERT_TRUE(emu::LoadDeviceConfig(device_.Path(), &config));
  ASSERT_EQ(config.volumes.size(), 1u) << "names that are no plain folder name, and repeats, are skipped";
  EXPECT_EQ(config.volumes[0].name, L"Card");
  EXPECT_EQ(config.volumes[0].size, 0x1000u);
  EXPECT_EQ(config.storeSize, 32u << 20);
  EXPECT_FALSE(config.hasFailAfter);
  EXPECT_FALSE(HostExists(device_.Path() + L"\\root\\a"));
}

// With RAPI_EMULATOR_DEVICE unset the emulator makes its own handheld beside the DLL. A copy of the DLL in a
// temporary folder keeps that handheld out of the build tree.
TEST(EmulatorDefaultDevice, IsCreatedBesideTheDllOnFirstUse) {
  wchar_t dllPath[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(GetModuleHandleW(L"RAPI.dll"), dllPath, MAX_PATH), 0u);
  TempFolder folder;
  const std::wstring copy = folder.Path() + L"\\RAPI_copy.dll";
  ASSERT_TRUE(CopyFileW(dllPath, copy.c_str(), FALSE));
  HMODULE rapi = LoadLibraryW(copy.c_str());
  ASSERT_NE(rapi, nullptr);
  auto proc = [rapi](const char* name) { return reinterpret_cast<void*>(GetProcAddress(rapi, name)); };
  auto initEx = reinterpret_cast<decltype(&CeRapiInitEx)>(proc("CeRapiInitEx"));
  auto uninit = reinterpret_cast<decltype(&CeRapiUninit)>(proc("CeRapiUninit"));
  auto storeInfo = reinterpret_cast<decltype(&CeGetStoreInformation)>(proc("CeGetStoreInformation"));
  auto systemInfo = reinterpret_cast<decltype(&CeGetSystemInfo)>(proc("CeGetSystemInfo"));
  ASSERT_TRUE(initEx && uninit && storeInfo && systemInfo);

  SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", nullptr);
  RAPIINIT init = {sizeof(RAPIINIT), nullptr, 1};
  ASSERT_EQ(initEx(&init), S_OK);
  ASSERT_EQ(WaitForSingleObject(init.heRapiInit, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(init.hrRapiInit, S_OK);
  const std::wstring device = folder.Path() + L"\\device";
  for (const wchar_t* made : {L"\\device.ini", L"\\root\\ROMDisk", L"\\root\\ROMDisk2\\INI", L"\\root\\Storage Card",
                              L"\\root\\Windows", L"\\root\\Programmi"})
    EXPECT_TRUE(HostExists(device + made)) << made;
  STORE_INFORMATION store = {};
  EXPECT_TRUE(storeInfo(&store));
  EXPECT_EQ(store.dwStoreSize, 32u << 20);
  SYSTEM_INFO system = {};
  systemInfo(&system);
  EXPECT_EQ(system.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_ARM);
  emu::DeviceConfig config;
  ASSERT_TRUE(emu::LoadDeviceConfig(device, &config));
  ASSERT_EQ(config.volumes.size(), 3u);
  EXPECT_EQ(config.volumes[0].name, L"ROMDisk");
  EXPECT_EQ(config.volumes[0].size, 64u << 20);
  EXPECT_EQ(config.volumes[1].name, L"ROMDisk2");
  EXPECT_EQ(config.volumes[1].size, 16u << 20);
  EXPECT_EQ(config.volumes[2].name, L"Storage Card");
  EXPECT_EQ(config.volumes[2].size, 1024u << 20);
  EXPECT_EQ(uninit(), S_OK);
  FreeLibrary(rapi);
}

}  // namespace
}  // namespace emu_test
