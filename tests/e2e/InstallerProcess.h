// The installer as a separate process: copied with a package into a folder of its own, started with a
// private temporary folder and emulated handheld, and driven through its windows like a user would.
#pragma once
#include <windows.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include "UiProbe.h"
#include "WizardMessages.h"

namespace e2e_test {

class InstallerProcess {
 public:
  InstallerProcess() = default;
  ~InstallerProcess();
  InstallerProcess(const InstallerProcess&) = delete;
  InstallerProcess& operator=(const InstallerProcess&) = delete;

  // An environment variable of the next Start, over this process's own (WINEPATH empty: no RAPI.dll found).
  void SetVariable(const std::wstring& name, const std::wstring& value) { m_variables.emplace_back(name, value); }
  // Starts programPath with TMP/TEMP = tempFolder and the handheld in deviceFolder; waits for the wizard.
  bool Start(const std::wstring& programPath, const std::wstring& tempFolder, const std::wstring& deviceFolder);
  // Starts it the same way without waiting for anything.
  bool Launch(const std::wstring& programPath, const std::wstring& tempFolder, const std::wstring& deviceFolder);
  // The window it shows while it prepares a large package, once visible; null when none came in time.
  HWND WaitForPreparationWindow(DWORD timeoutMs) const;
  // Whether the wizard's frame is on screen now.
  bool WizardShown() const;
  HWND Frame() const { return m_frame; }
  HANDLE Process() const { return m_process.hProcess; }
  HWND FrameControl(int id) const { return ::GetDlgItem(m_frame, id); }
  HWND PageControl(int id) const { return ::GetDlgItem(Page(), id); }
  HWND Page() const;
  int Step() const;
  // The image of a step-list row, read through the installer's own memory.
  int StepListImage(int item) const;
  bool WaitForStep(int step, DWORD timeoutMs = 30000) const;
  std::optional<ui_test::MessageBoxSeen> WaitForMessageBox(DWORD timeoutMs = 30000) const;
  // From the page shown on to step (at most the ready page) as a user would: Next, the licence ticked, Next
  // through the connection and destination steps. The question about an install folder that exists is
  // answered Yes.
  bool WalkTo(int step);
  bool WalkToReadyPage() { return WalkTo(kPageReadyToInstall); }
  // Sends a message to the frame; false when it gave no answer in time.
  bool SendToFrame(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer = nullptr) const;
  // Waits for the process to end; its exit code in *exitCode.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
  // Ends the process at once, as a crash or the task manager would.
  void Kill();

 private:
  PROCESS_INFORMATION m_process = {};
  HWND m_frame = nullptr;
  std::vector<std::pair<std::wstring, std::wstring>> m_variables;
};

}  // namespace e2e_test
