// The real program started as a user starts it, in a release folder of its own with a private temporary
// folder and emulated handheld.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include "PageProbe.h"
#include "TestEnvironment.h"
#include "UiProbe.h"
#include "WizardMessages.h"

namespace app_start_test {

using namespace ui_test;

class Program {
 public:
  ~Program() { Stop(); }
  bool Start(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &m_process))
      return false;
    ::CloseHandle(m_process.hThread);
    return true;
  }
  DWORD Id() const { return m_process.dwProcessId; }
  HWND FindFrame() const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
          for (HWND w = ::FindWindowW(nullptr, L"Installatore Talvenia"); w != nullptr;
               w = ::FindWindowExW(nullptr, w, nullptr, L"Installatore Talvenia")) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(w, &pid);
            if (pid == Id() && StepOfPage(ShownPage(w)) == kPageWelcome) {
              found = w;
              return true;
            }
          }
          return false;
        },
        20000);
    return found;
  }
  bool WaitForExit(DWORD timeoutMs, DWORD* code = nullptr) {
    if (m_process.hProcess == nullptr || ::WaitForSingleObject(m_process.hProcess, timeoutMs) != WAIT_OBJECT_0)
      return false;
    if (code != nullptr) ::GetExitCodeProcess(m_process.hProcess, code);
    return true;
  }
  void Stop() {
    if (m_process.hProcess == nullptr) return;
    if (!WaitForExit(0)) ::TerminateProcess(m_process.hProcess, 1);
    ::CloseHandle(m_process.hProcess);
    m_process.hProcess = nullptr;
  }

 private:
  PROCESS_INFORMATION m_process = {};
};

class ProgramStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::make_unique<ScratchFolder>(L"talv-start");
    m_release = m_folder->Path() + L"\\release";
    m_temp = m_folder->Path() + L"\\temp\\";
    ::CreateDirectoryW(m_release.c_str(), nullptr);
    ::CreateDirectoryW(m_temp.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW(TALV_INSTALLER_EXE, Exe().c_str(), FALSE));
    ASSERT_TRUE(WritePackage(m_release + L"\\Fendro_base.pkg", ArchiveBytes(0, 0, {{"a.txt", "[PRG]", "abc"}})));
    ::SetEnvironmentVariableW(L"TMP", m_temp.c_str());
    ::SetEnvironmentVariableW(L"TEMP", m_temp.c_str());
    const std::wstring device = m_folder->Path() + L"\\device";
    ASSERT_TRUE(WriteDevice(device, DeviceDescription()));
    ::SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", device.c_str());
  }
  std::wstring Exe() const { return m_release + L"\\TalveniaInstaller.exe"; }
  std::wstring TempPackage() const { return m_temp + L"TFInst.pkg"; }

  std::unique_ptr<ScratchFolder> m_folder;
  std::wstring m_release;
  std::wstring m_temp;
};

}  // namespace app_start_test
