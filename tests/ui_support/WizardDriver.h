// Runs the real wizard on a user-interface thread of its own while the test thread acts as the user.
//
//   TEST_F(WizardTest, ...) {
//     ASSERT_TRUE(wizard.Start());
//     ASSERT_TRUE(ReachStep(kPageConnection));
//     auto box = wizard.WaitForMessageBox(); ...
//   }
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include "PageProbe.h"
#include "TestEnvironment.h"
#include "UiProbe.h"
#include "WizardMessages.h"

namespace ui_test {

class WizardSession {
 public:
  WizardSession() = default;
  ~WizardSession() { Close(); }
  WizardSession(const WizardSession&) = delete;
  WizardSession& operator=(const WizardSession&) = delete;

  // Starts the wizard and waits until its frame shows a page.
  bool Start(DWORD timeoutMs = 45000);
  bool Running() const { return m_thread != nullptr && !m_done.load(); }

  HWND Frame() const { return m_frame; }
  HWND FrameControl(int id) const { return ::GetDlgItem(m_frame, id); }
  // The page window now shown in the frame (null during a page switch).
  HWND Page() const;
  HWND PageControl(int id) const { return ::GetDlgItem(Page(), id); }
  int Step() const { return StepOfPage(Page()); }
  // Waits until step is shown and entered (the switch, with whatever the page does on entry, is over).
  bool WaitForStep(int step, DWORD timeoutMs = 15000) const;
  // The step list marks 0..step as reached and the rest as ahead.
  bool StepListShows(int step) const;

  bool ClickNext() const { return Click(FrameControl(1014)); }
  bool ClickBack() const { return Click(FrameControl(3)); }
  bool ClickCancel() const { return Click(FrameControl(1015)); }

  std::optional<MessageBoxSeen> WaitForMessageBox(DWORD timeoutMs = 10000) const;
  // True when no message box opened within ms.
  bool NoMessageBoxWithin(DWORD ms) const;

  // Waits for the dialog to end and its frame to be destroyed; result is what DoModal returned.
  bool WaitForEnd(DWORD timeoutMs, INT_PTR* result = nullptr);
  DWORD UiThreadId() const { return m_threadId; }
  // What the screen shows now, for failure messages.
  std::string DescribeScreen() const;

  // Ends a wizard that is still running: answers open boxes, closes the frame, waits for the thread.
  void Close();

  // Runs on the wizard's thread before the frame is made (a test installs a hook there).
  std::function<void()> onUiThread;

 private:
  static DWORD WINAPI ThreadMain(void* param);

  HANDLE m_thread = nullptr;
  DWORD m_threadId = 0;
  HWND m_frame = nullptr;
  std::atomic<bool> m_done{false};
  std::atomic<INT_PTR> m_result{-2};
};

// A fixture with a private temporary folder (TMP and TEMP point there), an emulated handheld described by
// `device` (written when the wizard starts, and by ApplyDevice), and no package beside the test program.
class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  bool StartWizard();
  void ApplyDevice();
  void PlacePackage(const std::string& fileName, const std::string& archiveBytes);
  void RemovePackages();

  const std::wstring& TempFolder() const { return m_temp->Path(); }
  const std::wstring& DeviceFolder() const { return m_deviceFolder; }
  std::wstring DevicePath(const std::string& devicePath) const { return DeviceHostPath(m_deviceFolder, devicePath); }

  // Walks from the welcome page to step (accepting the licence on the way); each move must succeed.
  bool ReachStep(int step);
  // On the licence page: ticks the box and presses Next, without waiting for the connection page to settle
  // (its check is still running when this returns true).
  bool AcceptLicenceAndPressNext();

  DeviceDescription device;
  WizardSession wizard;

 private:
  std::unique_ptr<ScratchFolder> m_temp;
  std::wstring m_deviceFolder;
};

}  // namespace ui_test
