#include "emulator_fixture.h"

#include <atomic>

namespace emu_test {

const char kStandardIni[] =
    "[device]\r\n"
    "connected=1\r\n"
    "answer_ms=0\r\n"
    "init_result=0\r\n"
    "processor=5\r\n"
    "store_size=100000     ; main store\r\n"
    "program_files=\\Programmi\r\n"
    "personal=\\Documenti\r\n"
    "desktop=\\Windows\\Desktop\r\n"
    "startup=\\Windows\\Avvio\r\n"
    "fail_after_bytes=\r\n"
    "[volume:Card]\r\n"
    "size=20000\r\n"
    "[volume:ROM]\r\n"
    "size=50000\r\n"
    "readonly=1\r\n";

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  path_ =
      std::wstring(temp) + L"talv-emu-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
  RemoveTree(path_);
  CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

bool WriteHostFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool ReadHostFile(const std::wstring& path, std::string* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes->append(buffer, got);
  CloseHandle(file);
  return true;
}

bool HostExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTree(const std::wstring& given) {
  // Device paths of 259 characters make host paths longer than MAX_PATH.
  const std::wstring path = given.compare(0, 4, L"\\\\?\\") == 0 ? given : L"\\\\?\\" + given;
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(child);
      else
        DeleteFileW(child.c_str());
    } while (FindNextFileW(search, &data));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

HRESULT Connect(const std::wstring& folder, DWORD waitMs, bool* answered) {
  SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", folder.c_str());
  // Static: the handheld answers into this record later, possibly after this function returned.
  static RAPIINIT init;
  init = RAPIINIT{sizeof(RAPIINIT), nullptr, 0};
  if (answered != nullptr) *answered = false;
  const HRESULT started = CeRapiInitEx(&init);
  if (FAILED(started)) return started;
  if (WaitForSingleObject(init.heRapiInit, waitMs) != WAIT_OBJECT_0) return S_FALSE;
  if (answered != nullptr) *answered = true;
  return init.hrRapiInit;
}

void EmulatorTest::SetUp() {
  WriteIni(kStandardIni);
  bool answered = false;
  ASSERT_EQ(Connect(device_.Path(), 5000, &answered), S_OK);
  ASSERT_TRUE(answered);
}

void EmulatorTest::TearDown() { CeRapiUninit(); }

void EmulatorTest::WriteIni(const std::string& text) const {
  ASSERT_TRUE(WriteHostFile(device_.Path() + L"\\device.ini", text));
}

bool EmulatorTest::PutFile(const wchar_t* devicePath, const std::string& content) const {
  HANDLE file =
      CeCreateFile(devicePath, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok =
      content.empty() || CeWriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CeCloseHandle(file);
  return ok;
}

}  // namespace emu_test
