// A throw-away emulated handheld for one test: a device folder under the temporary folder with device.ini and
// root\, and a way to run the real agent on it as the installer does: placed at \Windows\TalveniaGDFS.exe and
// started through the emulator's CeCreateProcess, which runs it on the ARM CPU emulator.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "device_folder.h"

namespace agent_test {

class ScratchDevice {
 public:
  ScratchDevice();
  ~ScratchDevice();
  ScratchDevice(const ScratchDevice&) = delete;
  ScratchDevice& operator=(const ScratchDevice&) = delete;

  const std::wstring& folder() const { return folder_; }
  std::wstring Host(const std::wstring& devicePath) const { return folder_ + L"\\root" + devicePath; }

  void WriteIni(const std::string& text) const;
  void MakeFolder(const std::wstring& devicePath) const;
  void WriteFile(const std::wstring& devicePath, const std::string& bytes) const;
  bool Exists(const std::wstring& devicePath) const;
  std::string ReadFile(const std::wstring& devicePath) const;  // "<missing>" when it cannot be read

  // The names in root\ in the host's enumeration order.
  std::vector<std::wstring> RootNames() const;

  // Copies the agent image to the handheld and starts it with the device command line `arguments`. Returns how
  // the run ended: "exit N", "fault: ..." (the ARM CPU emulator's word), or why it did not run.
  std::string Run(const std::wstring& agentPath, const std::wstring& arguments) const;

 private:
  std::string WaitForResult(const std::wstring& resultFile) const;

  talv_test::DeviceFolder device_;
  std::wstring folder_;
};

constexpr wchar_t kAgentDevicePath[] = L"\\Windows\\TalveniaGDFS.exe";

std::string Narrow(const std::wstring& text);
void WriteHostFile(const std::wstring& path, const std::string& bytes);
std::string ReadHostFile(const std::wstring& path);  // "<missing>" when it cannot be read

}  // namespace agent_test
