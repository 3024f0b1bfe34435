// Docking, undocking, refusals and the life of the link and of its handles.
#include <thread>

#include "emulator_fixture.h"

namespace emu_test {
namespace {

std::string IniWith(const std::string& deviceLines) {
  return "[device]\r\n" + deviceLines + "\r\nstore_size=100000\r\n[volume:Card]\r\nsize=20000\r\n";
}

// The calls of the link that must fail without a usable link, each reporting whether it failed.
void ExpectEveryCallFails(const char* when) {
  SCOPED_TRACE(when);
  // A call without a link says so through CeRapiGetError and leaves the handheld's last error alone.
  const DWORD lastError = CeGetLastError();
  EXPECT_EQ(CeCreateFile(L"\\x.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeRapiGetError(), HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_EQ(CeGetLastError(), lastError);
  EXPECT_FALSE(CeCreateDirectory(L"\\Folder", nullptr));
  EXPECT_FALSE(CeDeleteFile(L"\\x.txt"));
  STORE_INFORMATION store = {};
  EXPECT_FALSE(CeGetStoreInformation(&store));
  wchar_t path[MAX_PATH];
  EXPECT_EQ(CeGetSpecialFolderPath(0x26, MAX_PATH, path), 0u);
  SYSTEM_INFO system;
  system.wProcessorArchitecture = 5;
  CeGetSystemInfo(&system);
  EXPECT_EQ(system.wProcessorArchitecture, 0);
  PROCESS_INFORMATION process;
  EXPECT_FALSE(CeCreateProcess(L"\\x.exe", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &process));
  EXPECT_FALSE(CeCloseHandle(reinterpret_cast<HANDLE>(0x10000)));
}

TEST(EmulatorConnection, DockingAndUndockingBetweenConnections) {
  TempFolder device;
  ExpectEveryCallFails("before any connection");

  const struct {
    const char* deviceLines;
    bool answers;
    HRESULT delivered;
  } steps[] = {
      {"connected=1\r\nanswer_ms=50", true, S_OK},
      {"connected=0", false, S_OK},
      {"connected=1\r\nanswer_ms=0\r\ninit_result=-2147467259", true, E_FAIL},
      {"connected=1\r\ninit_result=0x80004005", true, E_FAIL},
      {"connected=1", true, S_OK},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.deviceLines);
    ASSERT_TRUE(WriteHostFile(device.Path() + L"\\device.ini", IniWith(step.deviceLines)));
    bool answered = false;
    const HRESULT result = Connect(device.Path(), step.answers ? 5000 : 1000, &answered);
    EXPECT_EQ(answered, step.answers);
    if (step.answers) {
      EXPECT_EQ(result, step.delivered);
    }
    if (step.answers && SUCCEEDED(step.delivered)) {
      STORE_INFORMATION store = {};
      EXPECT_TRUE(CeGetStoreInformation(&store));
      EXPECT_EQ(store.dwStoreSize, 100000u);
    } else {
      ExpectEveryCallFails("while not connected");
    }
    EXPECT_EQ(CeRapiUninit(), S_OK);
  }
  ExpectEveryCallFails("after the last CeRapiUninit");
}

TEST(EmulatorConnection, AnswersOnlyAfterTheDelayAndKeepsTheEventUntilUninit) {
  TempFolder device;
  ASSERT_TRUE(WriteHostFile(device.Path() + L"\\device.ini", IniWith("answer_ms=400")));
  SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", device.Path().c_str());
  RAPIINIT init = {sizeof(RAPIINIT), nullptr, 1};
  ASSERT_EQ(CeRapiInitEx(&init), S_OK);
  ASSERT_NE(init.heRapiInit, nullptr);
  EXPECT_EQ(WaitForSingleObject(init.heRapiInit, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  ExpectEveryCallFails("before the handheld answered");
  ASSERT_EQ(WaitForSingleObject(init.heRapiInit, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(init.hrRapiInit, S_OK);
  EXPECT_EQ(WaitForSingleObject(init.heRapiInit, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << "the event stays set";
  EXPECT_EQ(CeRapiInitEx(&init), static_cast<HRESULT>(0x80041001)) << "a second link while one is open";
  EXPECT_EQ(CeRapiUninit(), S_OK);
  EXPECT_EQ(CeRapiUninit(), E_FAIL);
  EXPECT_EQ(CeRapiInitEx(nullptr), E_INVALIDARG);
}

TEST(EmulatorConnection, UninitWhileTheAnswerIsPendingLeavesTheRecordAlone) {
  TempFolder device;
  ASSERT_TRUE(WriteHostFile(device.Path() + L"\\device.ini", IniWith("answer_ms=300")));
  SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", device.Path().c_str());
  RAPIINIT init = {sizeof(RAPIINIT), nullptr, 7};
  ASSERT_EQ(CeRapiInitEx(&init), S_OK);
  EXPECT_EQ(CeRapiUninit(), S_OK);
  Sleep(500);
  EXPECT_EQ(init.hrRapiInit, 7) << "no answer may arrive after CeRapiUninit";
}

TEST(EmulatorConnection, AcceptsAUnixPathForTheDeviceFolder) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  const auto toUnix = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) GTEST_SKIP() << "not running under Wine";
  TempFolder device;
  ASSERT_TRUE(WriteHostFile(device.Path() + L"\\device.ini", kStandardIni));
  char* unixPath = toUnix(device.Path().c_str());
  ASSERT_NE(unixPath, nullptr);
  const std::wstring unixFolder(unixPath, unixPath + strlen(unixPath));
  HeapFree(GetProcessHeap(), 0, unixPath);
  ASSERT_EQ(unixFolder[0], L'/');
  ASSERT_EQ(Connect(unixFolder), S_OK);
  EXPECT_TRUE(CeCreateDirectory(L"\\ViaUnixPath", nullptr));
  EXPECT_TRUE(HostExists(device.Path() + L"\\root\\ViaUnixPath"));
  CeRapiUninit();
}

class EmulatorLink : public EmulatorTest {};

TEST_F(EmulatorLink, UninitEndsEveryHandleOfTheLink) {
  HANDLE file = CeCreateFile(L"\\open.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(CeWriteFile(file, "abc", 3, &written, nullptr));
  ASSERT_EQ(CeRapiUninit(), S_OK);
  // The host file is closed: with no sharing allowed it could not be opened or deleted otherwise.
  EXPECT_TRUE(DeleteFileW(Root(L"\\open.txt").c_str())) << GetLastError();
  ASSERT_EQ(Connect(device_.Path()), S_OK);
  EXPECT_FALSE(CeWriteFile(file, "abc", 3, &written, nullptr));
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CeCloseHandle(file));
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(EmulatorLink, KeepsTheLastErrorPerThread) {
  EXPECT_EQ(CeCreateFile(L"\\missing.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr),
            INVALID_HANDLE_VALUE);
  DWORD otherThread = 12345, otherAfterFailure = 0;
  std::thread([&] {
    otherThread = CeGetLastError();
    CeCreateDirectory(L"\\No\\Parent", nullptr);
    otherAfterFailure = CeGetLastError();
  }).join();
  EXPECT_EQ(otherThread, 0u);
  EXPECT_EQ(otherAfterFailure, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace emu_test
