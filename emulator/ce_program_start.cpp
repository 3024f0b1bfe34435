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

// The build machine's path of a Windows path, through Wine's own conversion; empty outside Wine.
std::wstring UnixPathOf(const std::wstring& windowsPath) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  static const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) return std::wstring();
  char* unixPath = toUnix(windowsPath.c_str());
  if (unixPath == nullptr) return std::wstring();
  std::wstring wide;
  const int size = MultiByteToWideChar(CP_UTF8, 0, unixPath, -1, nullptr, 0);
  if (size > 1) {
    wide.resize(static_cast<std::size_t>(size - 1));
    MultiByteToWideChar(CP_UTF8, 0, unixPath, -1, &wide[0], size);
  }
  HeapFree(GetProcessHeap(), 0, unixPath);
  return wide;
}

// One argument as the command-line rules of Windows split it back: quoted, with the backslashes before a quote
// doubled and the quotes escaped. Wine splits a Linux program's command line by the same rules.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

}  // namespace

DWORD StartCeProgram(const std::wstring& folder, const std::wstring& hostImage, const std::wstring& arguments,
                     DWORD processId, std::wstring* resultFile) {
  const std::wstring runner = FolderOfThisModule() + L"\\" + kRunnerName;
  const std::wstring runs = folder + L"\\runs";
  const std::wstring result = runs + L"\\" + std::to_wstring(processId) + L".result";
  if (GetFileAttributesW(runner.c_str()) == INVALID_FILE_ATTRIBUTES) return ERROR_NOT_SUPPORTED;
  if (!CreateDirectoryW(runs.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return GetLastError();
  DeleteFileW(result.c_str());
  const std::wstring unixFolder = UnixPathOf(folder), unixImage = UnixPathOf(hostImage),
                     unixResult = UnixPathOf(result);
  if (unixFolder.empty() || unixImage.empty() || unixResult.empty()) return ERROR_NOT_SUPPORTED;

  std::wstring commandLine = Quoted(runner) + L" --result " + Quoted(unixResult) + L" " + Quoted(unixFolder) + L" " +
                             Quoted(unixImage) + L" " + Quoted(L"--command-line=" + arguments);
  std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(runner.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started))
    return GetLastError();
  base::UniqueKernelHandle process(started.hProcess), thread(started.hThread);
  *resultFile = result;
  return 0;
}

}  // namespace emu
