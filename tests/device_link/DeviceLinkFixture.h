// The frame's device services on their own: a wizard object that is never shown, an emulated handheld in a
// scratch folder whose trace.log tells what the program asked of it, and host files to copy from.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>
#include "DlgWizardInstaller.h"
#include "TestEnvironment.h"

namespace device_link_test {

// device.ini keys beyond what ui_test::DeviceDescription writes.
struct LinkExtras {
  unsigned writeLimit = 0;  // 0: none
  bool trace = true;
};

class DeviceLinkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes device.ini (and root\) from `device` and `extras`: read again at the next CeRapiInitEx.
  void ApplyDevice();
  // Writes the device and opens the link, as the connection page does.
  void Connect();

  // The lines of trace.log written since the last call (each without its line end).
  std::vector<std::string> TakeTrace();
  std::string DeviceFile(const std::string& devicePath) const;
  bool DeviceFileExists(const std::string& devicePath) const;
  // A host file holding bytes, opened for reading at its start; closed by the fixture.
  FILE* HostSource(const std::string& bytes);

  ui_test::DeviceDescription device;
  LinkExtras extras;
  std::unique_ptr<CDlgWizardInstaller> wizard;
  std::wstring deviceFolder;

 private:
  std::unique_ptr<ui_test::ScratchFolder> m_scratch;
  std::vector<FILE*> m_sources;
  size_t m_traceTaken = 0;
  int m_nextSource = 0;
};

// Whether the application object shows its wait cursor now.
bool WaitCursorShown();

// n bytes of a pattern that shows misplaced or repeated chunks.
std::string Pattern(size_t n);
std::string Join(const std::vector<std::string>& lines);

}  // namespace device_link_test
