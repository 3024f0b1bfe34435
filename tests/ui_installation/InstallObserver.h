// Watches the installation: keeps what the page showed at the moment the worker reported (a call-window hook
// on the wizard's user-interface thread), and can hold the worker at a chosen step of its own thread.
//
// A hold stops the worker where the design lets it stand: at its stop poll before an entry (before it reads
// the interrupt flag), or as it sets the bar's position for an entry (after the poll for that entry). The
// user-interface thread runs on meanwhile, so the test thread acts as the user (clicks, keys, close box,
// answers) exactly as it would at any other moment of the copy.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>
#include "DlgSubPageInstallation.h"

namespace ui_test {

// What the installation page showed when the frame received WM_INSTALLATION_FINISHED.
struct InstallReport {
  int result = -1;
  std::string log;
  int position = -1;
  int rangeLow = -1;
  int rangeHigh = -1;
};

class InstallObserver {
 public:
  using WorkerStep = CDlgSubPageInstallation::WorkerStep;
  // The step at which a hold takes effect: the stop poll before entry `value`, or the bar set to `value`.
  struct HoldPoint {
    WorkerStep step = WorkerStep::StopPoll;
    int value = 0;
  };

  explicit InstallObserver(DWORD uiThreadId);
  ~InstallObserver();
  InstallObserver(const InstallObserver&) = delete;
  InstallObserver& operator=(const InstallObserver&) = delete;

  bool Hooked() const { return m_callHook != nullptr && m_getHook != nullptr; }

  // Arms one hold; WaitHeld tells when the worker has reached it, Release lets it go on.
  void HoldAt(const HoldPoint& point);
  bool WaitHeld(DWORD timeoutMs = 15000) const;
  void Release();
  // Waits until the wizard's thread has handled everything posted to it so far.
  bool Drain(DWORD timeoutMs = 5000) const;

  // The reports received so far, in order.
  std::vector<InstallReport> Reports() const;
  bool WaitForReports(size_t count, DWORD timeoutMs = 60000) const;
  // Progress-bar ranges set (each PBM_SETRANGE32 counts one worker run).
  int RangesSet() const { return m_rangesSet.load(); }

 private:
  static LRESULT CALLBACK CallHookProc(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK GetHookProc(int code, WPARAM wParam, LPARAM lParam);
  static void WorkerWatcher(WorkerStep step, int value);
  void OnCall(const CWPSTRUCT& call);
  void OnWorkerStep(WorkerStep step, int value);

  HHOOK m_callHook = nullptr;
  HHOOK m_getHook = nullptr;
  DWORD m_uiThreadId;
  HANDLE m_heldEvent = nullptr;
  HANDLE m_releaseEvent = nullptr;
  HANDLE m_drainedEvent = nullptr;
  mutable std::mutex m_mutex;
  HoldPoint m_hold;
  bool m_holdArmed = false;
  std::vector<InstallReport> m_reports;
  std::atomic<int> m_rangesSet{0};
};

}  // namespace ui_test
