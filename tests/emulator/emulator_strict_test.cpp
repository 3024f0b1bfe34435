// Where the emulated handheld is as strict as the real RAPI.dll: the start-up record's size, a last error that
// only the handheld changes, a lost link told apart by CeRapiGetError, the arguments a handheld refuses, a RAPI
// that wants each thread started, and an older handheld without a program-files folder.
#include <functional>
#include <thread>

#include "emulator_fixture.h"

namespace emu_test {
namespace {

constexpr HRESULT kNoLink = HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);

class EmulatorStrict : public EmulatorTest {
 protected:
  void Reconnect(const std::string& deviceLines) {
    CeRapiUninit();
    WriteIni(std::string(kStandardIni) + "[device]\r\n" + deviceLines + "\r\n");
    ASSERT_EQ(Connect(device_.Path()), S_OK);
  }
  static HANDLE Create(const wchar_t* path, DWORD access = GENERIC_WRITE, DWORD disposition = CREATE_ALWAYS) {
    return CeCreateFile(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static bool Closes(HANDLE file) { return file != INVALID_HANDLE_VALUE && CeCloseHandle(file); }
};

// The record of the caller's architecture works in every other test; any other size starts nothing.
TEST_F(EmulatorStrict, TakesOnlyTheStartUpRecordOfTheCallersArchitecture) {
  CeRapiUninit();
  for (const DWORD cbSize : {DWORD{0}, DWORD{sizeof(void*) == 8 ? 12u : 24u}, DWORD{sizeof(RAPIINIT) + 4}}) {
    RAPIINIT init = {cbSize, nullptr, 7};
    EXPECT_EQ(CeRapiInitEx(&init), E_INVALIDARG) << cbSize;
    EXPECT_EQ(init.heRapiInit, nullptr) << "an event handed out for a record of " << cbSize;
    EXPECT_EQ(CeRapiUninit(), E_FAIL) << "a link started for a record of " << cbSize;
  }
}

// Each row sets the last error to 183 (a folder that exists), then makes one call: the call's success, the last
// error and CeRapiGetError afterwards.
TEST_F(EmulatorStrict, OnlyTheHandheldChangesTheLastError) {
  ASSERT_TRUE(CeCreateDirectory(L"\\Folder", nullptr));
  const struct {
    const char* label;
    const char* deviceLines;
    std::function<bool()> call;
    bool succeeds;
    DWORD lastError;
    HRESULT rapiError;
  } rows[] = {
      {"a read succeeds", "", [] { return Closes(Create(L"\\there.txt", GENERIC_READ, OPEN_EXISTING)); }, true, 183,
       S_OK},
      {"a folder is created", "", [] { return CeCreateDirectory(L"\\New", nullptr) != FALSE; }, true, 183, S_OK},
      {"a file is deleted", "", [] { return CeDeleteFile(L"\\there.txt") != FALSE; }, true, 183, S_OK},
      {"a new file is created", "", [] { return Closes(Create(L"\\new.txt")); }, true, 0, S_OK},
      {"the handheld refuses", "", [] { return CeDeleteFile(L"\\none.txt") != FALSE; }, false, 2, S_OK},
      {"the link drops at a file", "drop_at_path=\\lost.txt", [] { return Closes(Create(L"\\lost.txt")); }, false, 183,
       kNoLink},
      {"the link drops at a folder", "drop_at_path=\\LOST", [] { return CeCreateDirectory(L"\\lost", nullptr) != 0; },
       false, 183, kNoLink},
      {"the link drops with the last error 0", "drop_at_path=\\lost.txt\r\ndrop_clears_error=1",
       [] { return Closes(Create(L"\\lost.txt")); }, false, 0, kNoLink},
      {"a read of the path keeps the link", "drop_at_path=\\there.txt",
       [] { return Closes(Create(L"\\there.txt", GENERIC_READ, OPEN_EXISTING)); }, true, 183, S_OK},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    Reconnect(row.deviceLines);
    ASSERT_TRUE(WriteHostFile(Root(L"\\there.txt"), "x"));
    ASSERT_FALSE(CeCreateDirectory(L"\\Folder", nullptr));
    ASSERT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(row.call(), row.succeeds);
    EXPECT_EQ(CeGetLastError(), row.lastError);
    if (!row.succeeds) {
      EXPECT_EQ(CeRapiGetError(), row.rapiError);
    }
    if (row.rapiError == kNoLink) {
      EXPECT_FALSE(CeCreateDirectory(L"\\After", nullptr)) << "the link stays down";
      EXPECT_EQ(CeRapiGetError(), kNoLink);
    }
    RemoveDirectoryW(Root(L"\\New").c_str());
  }
}

TEST_F(EmulatorStrict, StartsAProgramOnlyWithTheImageAndTheCommandLine) {
  ASSERT_TRUE(CeCreateDirectory(L"\\Windows", nullptr));
  ASSERT_TRUE(PutFile(L"\\Windows\\Tool.exe", "not a program"));
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  wchar_t directory[] = L"\\Windows";
  wchar_t environment[] = L"A=1\0";
  // Row k gives the k-th of these arguments, and only it.
  const char* const arguments[] = {"process security", "thread security",  "inherited handles",   "creation flags",
                                   "an environment",   "a current folder", "start-up information"};
  for (int k = 0; k < 7; ++k) {
    SCOPED_TRACE(arguments[k]);
    PROCESS_INFORMATION process = {};
    EXPECT_FALSE(CeCreateProcess(L"\\Windows\\Tool.exe", L"-x", k == 0 ? &security : nullptr,
                                 k == 1 ? &security : nullptr, k == 2, k == 3 ? CREATE_SUSPENDED : 0,
                                 k == 4 ? environment : nullptr, k == 5 ? directory : nullptr,
                                 k == 6 ? &startup : nullptr, &process));
    EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_FALSE(HostExists(device_.Path() + L"\\processes.log")) << "a refused start was recorded";
  PROCESS_INFORMATION process = {};
  EXPECT_TRUE(
      CeCreateProcess(L"\\Windows\\Tool.exe", L"-x", nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &process));
}

// Another thread's calls, before and after its own CeRapiInitEx, and the first thread's link after the other
// thread's CeRapiUninit.
TEST_F(EmulatorStrict, APerThreadRapiWantsEveryThreadStarted) {
  const struct {
    const char* deviceLines;
    bool callsBeforeStart;
    HRESULT ownStart;
  } rows[] = {
      {"per_thread=0", true, CERAPI_E_ALREADYINITIALIZED},
      {"per_thread=1", false, S_OK},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.deviceLines);
    Reconnect(row.deviceLines);
    bool before = false, after = false, rapiErrorBefore = false;
    HRESULT started = E_FAIL, answer = E_FAIL;
    std::thread([&] {
      before = CeCreateDirectory(L"\\Before", nullptr) != FALSE;
      rapiErrorBefore = before || CeRapiGetError() == kNoLink;
      RAPIINIT init = {sizeof(RAPIINIT), nullptr, E_FAIL};
      started = CeRapiInitEx(&init);
      if (started == S_OK && WaitForSingleObject(init.heRapiInit, 5000) == WAIT_OBJECT_0) answer = init.hrRapiInit;
      after = CeCreateDirectory(L"\\After", nullptr) != FALSE;
      if (started == S_OK) CeRapiUninit();
    }).join();
    EXPECT_EQ(before, row.callsBeforeStart);
    EXPECT_TRUE(rapiErrorBefore) << "a refused call must show as no link";
    EXPECT_EQ(started, row.ownStart);
    if (row.ownStart == S_OK) {
      EXPECT_EQ(answer, S_OK);
    }
    EXPECT_TRUE(after);
    EXPECT_TRUE(CeCreateDirectory(L"\\Mine", nullptr)) << "the first thread's link outlives the other's";
    RemoveDirectoryW(Root(L"\\Before").c_str());
    RemoveDirectoryW(Root(L"\\After").c_str());
    RemoveDirectoryW(Root(L"\\Mine").c_str());
  }
}

TEST_F(EmulatorStrict, AnOlderHandheldHasNoProgramFilesFolder) {
  Reconnect("has_program_files=0");
  wchar_t buffer[MAX_PATH] = L"stale";
  EXPECT_EQ(CeGetSpecialFolderPath(0x26, MAX_PATH, buffer), 0u);
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_GT(CeGetSpecialFolderPath(0x05, MAX_PATH, buffer), 0u) << "the other folders stay";
  EXPECT_STREQ(buffer, L"\\Documenti");
}

}  // namespace
}  // namespace emu_test
