#include "InstallationFixture.h"

#include "resource.h"

namespace ui_test {

void InstallationTest::TearDown() {
  if (observer) observer->Release();
  WizardTest::TearDown();
  observer.reset();
}

bool InstallationTest::ReachInstallation(bool pressInstall) {
  if (!StartWizard()) return false;
  observer = std::make_unique<InstallObserver>(wizard.UiThreadId());
  if (!observer->Hooked()) return false;
  if (!ReturnToReadyPage()) return false;
  installFolder = TextOf(wizard.PageControl(IDC_DESTINATION_FOLDER)) + "\\";
  return !pressInstall || PressInstall();
}

bool InstallationTest::ReturnToReadyPage() {
  if (wizard.Step() < kPageDestination && !ReachStep(kPageDestination)) return false;
  if (!wizard.ClickNext()) return false;
  const auto movedOrAsked = [&] {
    return wizard.Step() == kPageReadyToInstall || !OpenMessageBoxes(::GetCurrentProcessId(), {wizard.Frame()}).empty();
  };
  if (!WaitUntil(movedOrAsked)) return false;
  if (wizard.Step() != kPageReadyToInstall) {
    auto box = wizard.WaitForMessageBox();
    if (!box || box->caption != "Attenzione" || !Answer(*box, IDYES)) return false;
  }
  return wizard.WaitForStep(kPageReadyToInstall);
}

bool InstallationTest::PressInstall() {
  return TextOf(wizard.FrameControl(IDC_NEXT)) == "Installa" && wizard.ClickNext();
}

void InstallationTest::ExpectMessageBox(const char* caption, const char* icon, const std::string& text, int button) {
  auto box = wizard.WaitForMessageBox(30000);
  ASSERT_TRUE(box.has_value()) << "no message box; expected: " << text;
  EXPECT_EQ(box->caption, caption) << box->Describe();
  EXPECT_EQ(box->icon, icon) << box->Describe();
  EXPECT_EQ(box->text, text) << box->Describe();
  ASSERT_TRUE(Answer(*box, button)) << box->Describe();
}

InstallReport InstallationTest::OnlyReport() {
  EXPECT_TRUE(observer->WaitForReports(1)) << "the worker did not report";
  std::vector<InstallReport> reports = observer->Reports();
  EXPECT_EQ(reports.size(), 1u) << "reports received";
  return reports.empty() ? InstallReport{} : reports.front();
}

std::string InstallationTest::DeviceFile(const std::string& devicePath) const {
  std::string bytes;
  if (!ReadWholeFile(DevicePath(devicePath), &bytes)) return "<missing " + devicePath + ">";
  return bytes;
}

std::string InstallationTest::ProcessesLog() const {
  std::string bytes;
  ReadWholeFile(DeviceFolder() + L"\\processes.log", &bytes);
  return bytes;
}

std::string InstallationTest::DescribeScreen() const {
  std::string text = "step " + std::to_string(wizard.Step()) + "; buttons [" + TextOf(wizard.FrameControl(IDC_BACK)) +
                     (IsShown(wizard.FrameControl(IDC_BACK)) ? "" : " (hidden)") + "] [" +
                     TextOf(wizard.FrameControl(IDC_NEXT)) +
                     (IsShown(wizard.FrameControl(IDC_NEXT)) ? "" : " (hidden)") + "] [" +
                     TextOf(wizard.FrameControl(IDC_CANCEL_BUTTON)) + "]";
  for (const MessageBoxSeen& box : OpenMessageBoxes(::GetCurrentProcessId(), {wizard.Frame()}))
    text += "; box " + box.Describe();
  if (observer)
    for (const InstallReport& report : observer->Reports())
      text += "; report " + std::to_string(report.result) + " log \"" + report.log + "\"";
  if (HWND log = wizard.PageControl(IDC_LOG); log != nullptr) text += "; log now \"" + TextOf(log) + "\"";
  return text;
}

std::string CopyLines(const std::vector<std::string>& names) {
  std::string lines;
  for (const std::string& name : names) lines += "Copia di " + name + "\r\n";
  return lines;
}

}  // namespace ui_test
