#include "scratch_device.h"

#include <cstdio>

#include "rapi.h"

namespace agent_test {

namespace {

// Owns a kernel handle or a search handle; both are closed on every path out.
template <BOOL(WINAPI* Close)(HANDLE)>
class Owned {
 public:
  explicit Owned(HANDLE handle) : handle_(handle) {}
  ~Owned() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) Close(handle_);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};
using SearchHandle = Owned<FindClose>;

}  // namespace

void WriteHostFile(const std::wstring& path, const std::string& bytes) {
  talv_test::WriteHostFile(talv_test::fs::path(path), bytes);
}

std::string ReadHostFile(const std::wstring& path) {
  std::string bytes;
  return talv_test::ReadHostFile(talv_test::fs::path(path), &bytes) ? bytes : "<missing>";
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t unit : text) out += unit < 0x80 ? static_cast<char>(unit) : '?';
  return out;
}

ScratchDevice::ScratchDevice() : device_("talv_agent"), folder_(device_.path().wstring()) {}

ScratchDevice::~ScratchDevice() = default;

void ScratchDevice::WriteIni(const std::string& text) const { WriteHostFile(folder_ + L"\\device.ini", text); }

void ScratchDevice::MakeFolder(const std::wstring& devicePath) const {
  CreateDirectoryW(Host(devicePath).c_str(), nullptr);
}

void ScratchDevice::WriteFile(const std::wstring& devicePath, const std::string& bytes) const {
  WriteHostFile(Host(devicePath), bytes);
}

bool ScratchDevice::Exists(const std::wstring& devicePath) const {
  return GetFileAttributesW(Host(devicePath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ScratchDevice::ReadFile(const std::wstring& devicePath) const { return ReadHostFile(Host(devicePath)); }

std::vector<std::wstring> ScratchDevice::RootNames() const {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  SearchHandle find(FindFirstFileW((folder_ + L"\\root\\*").c_str(), &data));
  if (!find.valid()) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find.get(), &data));
  return names;
}

std::string ScratchDevice::Run(const std::wstring& agentPath, const std::wstring& arguments) const {
  CreateDirectoryW(Host(L"\\Windows").c_str(), nullptr);
  if (!CopyFileW(agentPath.c_str(), Host(kAgentDevicePath).c_str(), FALSE)) return "agent not placed";
  SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", folder_.c_str());
  RAPIINIT init = {sizeof init, nullptr, 0};
  const HRESULT started = CeRapiInitEx(&init);
  SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", nullptr);
  if (FAILED(started)) return "no link";
  std::string outcome;
  PROCESS_INFORMATION process = {};
  if (WaitForSingleObject(init.heRapiInit, 5000) != WAIT_OBJECT_0 || FAILED(init.hrRapiInit)) {
    outcome = "the handheld did not answer";
  } else if (!CeCreateProcess(kAgentDevicePath, arguments.empty() ? nullptr : arguments.c_str(), nullptr, nullptr,
                              FALSE, 0, nullptr, nullptr, nullptr, &process)) {
    outcome = "start refused, error " + std::to_string(CeGetLastError());
  } else {
    CeCloseHandle(process.hProcess);
    CeCloseHandle(process.hThread);
    outcome = WaitForResult(folder_ + L"\\runs\\" + std::to_wstring(process.dwProcessId) + L".result");
  }
  CeRapiUninit();
  return outcome;
}

std::string ScratchDevice::WaitForResult(const std::wstring& resultFile) const {
  for (int i = 0; i < 1000; ++i) {
    std::FILE* file = _wfopen(resultFile.c_str(), L"rb");
    if (file != nullptr) {
      char line[512] = {};
      std::fgets(line, sizeof line, file);
      std::fclose(file);
      std::string text(line);
      if (!text.empty() && text.back() == '\n') text.pop_back();
      return text;
    }
    Sleep(10);
  }
  return "no result within 10 s";
}

}  // namespace agent_test
