// Shared by the emulator tests: a private device folder per test, its device.ini, and a link to it through
// the real import library.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "rapi.h"
#include "scratch_dir.h"

namespace emu_test {

// The handheld most tests use: it answers at once, a 100000-byte main store, a writable volume "Card" of 20000
// bytes and a write-protected "ROM".
extern const char kStandardIni[];

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() : scratch_("talv-emu"), path_(scratch_.path().wstring()) {}
  const std::wstring& Path() const { return path_; }

 private:
  talv_test::ScratchDir scratch_;
  std::wstring path_;
};

bool WriteHostFile(const std::wstring& path, const std::string& bytes);
bool ReadHostFile(const std::wstring& path, std::string* bytes);
bool HostExists(const std::wstring& path);
void RemoveTree(const std::wstring& path);

// Points RAPI_EMULATOR_DEVICE at folder, starts a link and waits up to waitMs for the handheld's answer.
// Returns CeRapiInitEx's result, or the hrRapiInit delivered; *answered tells whether the event fired.
HRESULT Connect(const std::wstring& folder, DWORD waitMs = 5000, bool* answered = nullptr);

// A test with its own device folder holding kStandardIni, connected before the test body runs.
class EmulatorTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::wstring Root(const std::wstring& devicePath) const { return device_.Path() + L"\\root" + devicePath; }
  void WriteIni(const std::string& text) const;
  // Creates devicePath with the given content through CeCreateFile/CeWriteFile.
  bool PutFile(const wchar_t* devicePath, const std::string& content) const;

  TempFolder device_;
};

}  // namespace emu_test
