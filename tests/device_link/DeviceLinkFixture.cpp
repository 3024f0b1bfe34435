#include "DeviceLinkFixture.h"

#include "rapi.h"

// The frame's wait cursor and routing expect an application object, as in the program.
CWinApp g_linkTestApplication;

namespace device_link_test {

void DeviceLinkTest::SetUp() {
  m_scratch = std::make_unique<ui_test::ScratchFolder>(L"talv-link");
  const std::wstring temp = m_scratch->Path() + L"\\temp\\";
  ::CreateDirectoryW(temp.c_str(), nullptr);
  // The frame deletes its temporary package files when it goes: keep it away from the real temporary folder.
  ::SetEnvironmentVariableW(L"TMP", temp.c_str());
  ::SetEnvironmentVariableW(L"TEMP", temp.c_str());
  deviceFolder = m_scratch->Path() + L"\\device";
  ::SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", deviceFolder.c_str());
  wizard = std::make_unique<CDlgWizardInstaller>(nullptr);
  m_traceTaken = 0;
}

void DeviceLinkTest::TearDown() {
  for (FILE* f : m_sources) fclose(f);
  m_sources.clear();
  wizard.reset();
  CeRapiUninit();  // the link is one per process: the next test starts without one
  m_scratch.reset();
}

void DeviceLinkTest::ApplyDevice() {
  ASSERT_TRUE(ui_test::WriteDevice(deviceFolder, device));
  std::string ini;
  ASSERT_TRUE(ui_test::ReadWholeFile(deviceFolder + L"\\device.ini", &ini));
  const std::string section = "[device]\r\n";
  ASSERT_EQ(ini.compare(0, section.size(), section), 0) << ini;
  ini.insert(section.size(), "trace=" + std::string(extras.trace ? "1" : "0") +
                                 "\r\nwrite_limit=" + std::to_string(extras.writeLimit) + "\r\n");
  ASSERT_TRUE(ui_test::WriteWholeFile(deviceFolder + L"\\device.ini", ini));
}

void DeviceLinkTest::Connect() {
  ApplyDevice();
  ASSERT_TRUE(wizard->CheckDeviceConnection()) << "the emulated handheld did not answer";
  TakeTrace();
}

std::vector<std::string> DeviceLinkTest::TakeTrace() {
  std::string bytes;
  ui_test::ReadWholeFile(deviceFolder + L"\\trace.log", &bytes);
  std::vector<std::string> lines;
  for (size_t at = m_traceTaken; at < bytes.size();) {
    size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(at, end - at));
    at = end + 2;
  }
  m_traceTaken = bytes.size();
  return lines;
}

std::string DeviceLinkTest::DeviceFile(const std::string& devicePath) const {
  std::string bytes;
  if (!ui_test::ReadWholeFile(ui_test::DeviceHostPath(deviceFolder, devicePath), &bytes))
    return "<missing " + devicePath + ">";
  return bytes;
}

bool DeviceLinkTest::DeviceFileExists(const std::string& devicePath) const {
  return ui_test::FileExists(ui_test::DeviceHostPath(deviceFolder, devicePath));
}

FILE* DeviceLinkTest::HostSource(const std::string& bytes) {
  const std::wstring path = m_scratch->Path() + L"\\source" + std::to_wstring(m_nextSource++) + L".bin";
  EXPECT_TRUE(ui_test::WriteWholeFile(path, bytes));
  FILE* f = _wfopen(path.c_str(), L"rb");
  EXPECT_NE(f, nullptr);
  if (f != nullptr) m_sources.push_back(f);
  return f;
}

bool WaitCursorShown() { return g_linkTestApplication.IsWaitCursorShown(); }

std::string Pattern(size_t n) {
  std::string out(n, '\0');
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>((i * 7 + i / 4096) & 0xFF);
  return out;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += (out.empty() ? "" : " | ") + line;
  return "[" + out + "]";
}

}  // namespace device_link_test
