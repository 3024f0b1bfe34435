#include "ce_program_start.h"

#include <vector>

#include "unique_handle_win.h"

namespace emu {
namespace {

constexpr wchar_t kRunnerName[] = L"talv-ce-run";

std::wstring FolderOfThisModule() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&FolderOfThisModule), &self);
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      std::wstring module(path.data(), length);
      return module.substr(0, module.find_last_of(L'\\'));
    }
    path.resize(path.size() * 2);
  }
}

// The build machine's path of a Windows path as the file system's own bytes, through Wine's own conversion;
// empty outside Wine.
std::string UnixPathOf(const std::wstring& windowsPath) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  static const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) return std::string();
  char* unixPath = toUnix(windowsPath.c_str());
  if (unixPath == nullptr) return std::string();
  std::string bytes(unixPath);
  HeapFree(GetProcessHeap(), 0, unixPath);
  return bytes;
}

// Wine turns a Linux program's command line into its arguments through the Unix code page, which need not be
// UTF-8 and would mangle a path's or the command line's other characters: every text goes as the hexadecimal
// digits of its bytes (the runner's --hex), which any code page carries unchanged.
std::wstring HexOf(const std::string& bytes) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring hex;
  for (unsigned char byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return hex;
}

std::string Utf8Of(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
  return bytes;
}

}  // namespace

DWORD StartCeProgram(const std::wstring& folder, const std::wstring& hostImage, const std::wstring& arguments,
                     const CeRun& run, std::wstring* problem) {
  const std::wstring runner = FolderOfThisModule() + L"\\" + kRunnerName;
  if (GetFileAttributesW(runner.c_str()) == INVALID_FILE_ATTRIBUTES) {
    *problem = L"the ARM runner is missing: " + runner;
    return ERROR_NOT_SUPPORTED;
  }
  const std::string unixFolder = UnixPathOf(folder), unixImage = UnixPathOf(hostImage),
                    unixResult = UnixPathOf(run.result), unixClaim = UnixPathOf(run.claim);
  if (unixFolder.empty() || unixImage.empty() || unixResult.empty() || unixClaim.empty()) {
    *problem = L"the ARM runner needs Wine to start it: no Unix path for " + folder;
    return ERROR_NOT_SUPPORTED;
  }
  std::wstring commandLine = L"\"" + runner + L"\" --hex --result " + HexOf(unixResult) + L" --claim " +
                             HexOf(unixClaim) + L" " + HexOf(unixFolder) + L" " + HexOf(unixImage) +
                             L" --command-line=" + HexOf(Utf8Of(arguments));
  std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(runner.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started)) {
    const DWORD error = GetLastError();
    *problem = L"the ARM runner cannot be started: error " + std::to_wstring(error) + L", " + runner;
    return error;
  }
  base::UniqueKernelHandle process(started.hProcess), thread(started.hThread);
  return 0;
}

}  // namespace emu
