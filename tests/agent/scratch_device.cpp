#include "scratch_device.h"

#include <cstdio>

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
using KernelHandle = Owned<CloseHandle>;

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  SearchHandle find(FindFirstFileW((path + L"\\*").c_str(), &data));
  if (find.valid()) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find.get(), &data));
  }
  RemoveDirectoryW(path.c_str());
}

void WriteHostFile(const std::wstring& path, const std::string& bytes) {
  std::FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

}  // namespace

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t unit : text) out += unit < 0x80 ? static_cast<char>(unit) : '?';
  return out;
}

ScratchDevice::ScratchDevice() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int s_counter = 0;
  folder_ = std::wstring(temp) + L"talv_agent_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(++s_counter);
  RemoveTree(folder_);
  CreateDirectoryW(folder_.c_str(), nullptr);
  CreateDirectoryW((folder_ + L"\\root").c_str(), nullptr);
}

ScratchDevice::~ScratchDevice() { RemoveTree(folder_); }

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

std::string ScratchDevice::ReadFile(const std::wstring& devicePath) const {
  std::FILE* file = _wfopen(Host(devicePath).c_str(), L"rb");
  if (file == nullptr) return "<missing>";
  std::string bytes;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  std::fclose(file);
  return bytes;
}

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

long ScratchDevice::Run(const std::wstring& agentPath, const std::wstring& arguments) const {
  return RunAgent(agentPath, arguments, folder_);
}

long RunAgent(const std::wstring& agentPath, const std::wstring& arguments, const std::wstring& deviceFolder) {
  std::wstring commandLine = L"\"" + agentPath + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back(0);
  SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", deviceFolder.empty() ? nullptr : deviceFolder.c_str());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessW(agentPath.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &process);
  SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", nullptr);
  if (!started) return -1;
  KernelHandle thread(process.hThread), program(process.hProcess);
  DWORD exitCode = 0;
  const bool ended =
      WaitForSingleObject(program.get(), 30000) == WAIT_OBJECT_0 && GetExitCodeProcess(program.get(), &exitCode);
  if (!ended) TerminateProcess(program.get(), 1);
  return ended ? static_cast<long>(exitCode) : -2;
}

}  // namespace agent_test
