// The installation step: a worker thread copies every entry of the package archive onto the handheld, with
// a progress bar and a log; the frame's "Interrompi" asks it to stop before the next entry.
//
// The worker hands its log lines and bar positions to the page's feed, which the page shows on its own thread
// (the worker waits for it only before its message boxes and at the end), makes every device call of the
// installation, and reports its result to the frame with WM_INSTALLATION_FINISHED, sent synchronously: the
// frame destroys the page while handling it, and the worker touches nothing of the page afterwards.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdio>
#include <string>
#include "DlgSubPageBase.h"
#include "InstallProgressFeed.h"

class CDlgSubPageInstallation : public CDlgSubPageBase {
 public:
  explicit CDlgSubPageInstallation(CWnd* pParent);
  ~CDlgSubPageInstallation() override;

  void OnEnterPage() override;
  bool CanLeavePage() override;
  void OnLeavePage() override;
  // True from the worker's start until the frame has handled its report (which ends the page), so the
  // wizard cannot close under a worker that has not yet reported.
  bool IsBusy() const override { return m_nWorker != kWorkerNone; }
  // Asks a started worker to stop before its next entry; never starts one.
  void RequestStop() override;
  std::optional<int> WorkerReport() const override;

  // Starts the worker, or asks the running one to stop before its next entry. A page starts one worker in
  // its life: a request that comes after the worker's last check only sets the flag.
  void StartOrInterruptInstallation();

  // For tests: the worker calls the watcher, on its own thread, at each stop poll (before it reads the flag)
  // and at each position of the bar it sets; the watcher may hold it there. Null: none.
  enum class WorkerStep { StopPoll, Position };
  using WorkerWatcher = void (*)(WorkerStep step, int value);
  static void SetWorkerWatcher(WorkerWatcher watcher);

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  // Runs on the worker thread; returns InstallCompleted, InstallInterrupted or InstallFailed.
  static int InstallWorker(CDlgSubPageInstallation* page);
  static DWORD WINAPI InstallThreadProc(LPVOID pParam);

  CEdit m_edtLog;
  CProgressCtrl m_prgProgress;
  std::string m_strLog;
  std::atomic<bool> m_bInterruptRequested{false};
  // Where the page's one worker stands: none started yet, copying, past its last step, or its result
  // (InstallCompleted, InstallInterrupted or InstallFailed), noted just before it is reported. It only moves
  // forward: a page never starts a second worker.
  static constexpr int kWorkerNone = -3;
  static constexpr int kWorkerRunning = -2;
  static constexpr int kWorkerFinishing = -1;
  std::atomic<int> m_nWorker{kWorkerNone};
  base::UniqueKernelHandle m_hWorkerThread;

  DECLARE_MESSAGE_MAP()

 private:
  // The page and the handheld as the installation operation reaches them (worker thread).
  class WorkerHost;
  void StartInstalledProduct(const std::string& installFolder);

  // The worker's message boxes; what the log and bar have pending is shown first.
  void ShowWorkerMessage(const std::string& text, const char* caption, UINT type);

  // The feed's notice: shows what the worker has handed over.
  LRESULT OnInstallationFeed(WPARAM wParam, LPARAM lParam);

  InstallProgressFeed m_feed{m_edtLog, m_prgProgress};  // fed by the worker, shown by the page

  HWND m_hWizard = nullptr;  // the frame that receives the report, taken when the worker starts
};
