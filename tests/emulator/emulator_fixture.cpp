#include "emulator_fixture.h"

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

bool WriteHostFile(const std::wstring& path, const std::string& bytes) {
  return talv_test::WriteHostFile(talv_test::fs::path(path), bytes);
}

bool ReadHostFile(const std::wstring& path, std::string* bytes) {
  return talv_test::ReadHostFile(talv_test::fs::path(path), bytes);
}

bool HostExists(const std::wstring& path) { return talv_test::HostExists(talv_test::fs::path(path)); }

void RemoveTree(const std::wstring& path) { talv_test::RemoveTree(talv_test::fs::path(path)); }

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
