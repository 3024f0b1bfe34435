// Watches the installation from inside the wizard's user-interface thread (a call-window hook): keeps what
// the page showed at the moment the worker reported, and can hold the worker at a chosen step.
//
// The worker changes the progress bar by sending messages to it; a hold runs a message loop of the wizard's
// own kind inside that send, so the worker waits at that step while the test thread acts as the user
// (clicks, keys, close box, answers) exactly as it would at any other moment of the copy.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

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
  // The step at which a hold takes effect: the message the worker sends to the progress bar, and for
  // PBM_SETPOS the position it sets.
  struct HoldPoint {
    UINT message = 0;
    WPARAM position = 0;
    // Let the worker go on at once (its send is answered) while the hold still runs its loop: the worker
    // then finishes and reports while the user-interface thread is inside the hold.
    bool releaseWorker = false;
  };

  explicit InstallObserver(DWORD uiThreadId);
  ~InstallObserver();
  InstallObserver(const InstallObserver&) = delete;
  InstallObserver& operator=(const InstallObserver&) = delete;

  bool Hooked() const { return m_hook != nullptr; }

  // Arms one hold; WaitHeld tells when the worker has reached it, Release lets it go on.
  void HoldAt(const HoldPoint& point);
  bool WaitHeld(DWORD timeoutMs = 15000) const;
  void Release();
  // Waits until the wizard's thread has handled everything posted to it so far (while held).
  bool Drain(DWORD timeoutMs = 5000) const;

  // The reports received so far, in order.
  std::vector<InstallReport> Reports() const;
  bool WaitForReports(size_t count, DWORD timeoutMs = 60000) const;
  // Progress-bar ranges the worker set (each PBM_SETRANGE32 counts one worker run).
  int RangesSet() const { return m_rangesSet.load(); }

 private:
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
  void OnCall(const CWPSTRUCT& call);
  void RunHold(bool releaseWorker);

  HHOOK m_hook = nullptr;
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
