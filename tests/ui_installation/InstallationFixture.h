// A wizard test that walks to the installation step with a package of its own and watches the worker.
#pragma once
#include <memory>
#include <string>
#include <vector>
#include "InstallObserver.h"
#include "WizardDriver.h"

namespace ui_test {

class InstallationTest : public WizardTest {
 protected:
  void TearDown() override;

  // Starts the wizard with the package placed beside the program, walks to the ready page, remembers the
  // install folder it shows and, unless told otherwise, presses "Installa".
  bool ReachInstallation(bool pressInstall = true);
  // From an earlier step, on to the ready page; the destination page's question about the existing install
  // folder is answered Yes.
  bool ReturnToReadyPage();
  // Presses "Installa" on the ready page.
  bool PressInstall();

  // The next message box of the wizard, checked for caption, icon and text, answered with button.
  void ExpectMessageBox(const char* caption, const char* icon, const std::string& text, int button = IDOK);
  // The report of the single worker run, once it came.
  InstallReport OnlyReport();

  std::string DeviceFile(const std::string& devicePath) const;
  bool DeviceFileExists(const std::string& devicePath) const { return FileExists(DevicePath(devicePath)); }
  std::string ProcessesLog() const;
  // What a failing test should print: the step, the buttons, the open message boxes and the reports.
  std::string DescribeScreen() const;

  std::unique_ptr<InstallObserver> observer;
  std::string installFolder;  // device path with its final backslash, as the ready page shows it
};

// "name\r\n" lines of the log for the named entries, as the worker writes them.
std::string CopyLines(const std::vector<std::string>& names);

}  // namespace ui_test
