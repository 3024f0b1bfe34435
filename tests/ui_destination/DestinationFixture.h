// The destination step on the real wizard and the emulated handheld: what the page shows, acting on it as the
// user, and a handheld prepared with a real or a stand-in agent and a storage report of the test's making.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "InstallerState.h"
#include "WizardDriver.h"

namespace destination_test {

struct Entry {
  std::string text;
  int32_t hundredths;
  bool operator==(const Entry& other) const { return text == other.text && hundredths == other.hundredths; }
};
std::ostream& operator<<(std::ostream& out, const Entry& entry);

// One record of a storage report as the agent writes it.
std::string ReportRecord(const std::u16string& name, double freeMegabytes);

class DestinationTest : public ui_test::WizardTest {
 protected:
  // The agent that the installer carries (resource 142 of this program, linked in as in the installer).
  static std::string AgentBytes();

  // Writes the device (device.ini and root\) now, so that files can be put on it before the wizard starts.
  void PrepareDevice();
  void PutDeviceFile(const std::string& devicePath, const std::string& bytes);
  void PutDeviceFolder(const std::string& devicePath);
  bool DeviceFileExists(const std::string& devicePath) const;
  std::string DeviceFile(const std::string& devicePath) const;
  std::string ProcessesLog() const;
  // The carried agent, already on the handheld, on a handheld that only records the programs started on it:
  // the installer uses that agent as it is and reads the report the test put there. The main store is larger
  // by the agent's size, so its free space stays what the test gave it.
  void PutAgentThatDoesNotRun();
  void PutReport(const std::string& bytes) { PutDeviceFile("\\MSize.DFS", bytes); }

  // A launcher package for product A, "Talvenia2016.pkg", with no files (about half a megabyte needed).
  void PlaceLauncherPackage();
  // Starts the wizard and walks to the destination step.
  bool StartAtDestination();

  std::vector<Entry> Entries() const;
  int SelectedIndex() const;
  std::string SelectedText() const;
  std::string FreeText() const;
  std::string RequiredText() const;
  std::string Notes() const;

  // Marks the notes field, so that WaitForNotesChange sees the page write it again.
  void MarkNotes() const;
  // Selects the entry with this text as the user would, and waits for the diagnosis.
  bool Select(const std::string& text);
  // Presses "Aggiorna"; WaitForNotesChange then waits until the page has shown the outcome (after the
  // message box, when the survey ends in one).
  bool ClickRefresh() const;
  bool WaitForNotesChange() const;
  // The shared state as the current page sees it, reached once the page is idle (null without a page).
  InstallerState* State() const;
};

}  // namespace destination_test
