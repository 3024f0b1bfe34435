// A throw-away emulated handheld for one test: a device folder under the temporary folder with device.ini and
// root\, and a way to run the real agent program on it as the emulator does (a host process with
// RAPI_EMULATOR_DEVICE set), waiting for it to end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

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

  // Runs `agentPath` with the host command line "<agentPath>" [blank arguments], as the emulator's process
  // start builds it. Returns the exit code, or a negative number when it did not start or end in time.
  long Run(const std::wstring& agentPath, const std::wstring& arguments) const;

 private:
  std::wstring folder_;
};

std::string Narrow(const std::wstring& text);

// Runs the agent as above with RAPI_EMULATOR_DEVICE set to `deviceFolder`, or unset when it is empty.
long RunAgent(const std::wstring& agentPath, const std::wstring& arguments, const std::wstring& deviceFolder);

}  // namespace agent_test
