// Started by the emulator as a program on the handheld: proves that it ran, with which arguments and which
// device folder, by writing root\marker.txt in that folder.
#include <windows.h>

#include <string>

int main() {
  wchar_t folder[32768];
  const DWORD length = GetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", folder, 32768);
  if (length == 0 || length >= 32768) return 1;
  // The handheld hands over what follows the program's quoted path and one blank.
  const wchar_t* line = GetCommandLineW();
  std::wstring arguments;
  if (line[0] == L'"') {
    const wchar_t* close = wcschr(line + 1, L'"');
    if (close != nullptr) arguments = close[1] == L' ' ? close + 2 : close + 1;
  }
  const std::wstring text = arguments + L"\n" + folder;
  HANDLE file = CreateFileW((std::wstring(folder) + L"\\root\\marker.tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
  // Renamed when complete, so that the test never reads half a file.
  MoveFileW((std::wstring(folder) + L"\\root\\marker.tmp").c_str(),
            (std::wstring(folder) + L"\\root\\marker.txt").c_str());
  return 0;
}
