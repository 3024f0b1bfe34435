// The installation step: a worker thread copies every entry of the package archive onto the handheld, with
// a progress bar and a log; the frame's "Interrompi" asks it to stop before the next entry.
#pragma once
#include <atomic>
#include <string>
#include "DlgSubPageBase.h"

class CDlgSubPageInstallation : public CDlgSubPageBase {
 public:
  explicit CDlgSubPageInstallation(CWnd* pParent);
  ~CDlgSubPageInstallation() override;

  void OnEnterPage() override;
  bool CanLeavePage() override;
  void OnLeavePage() override;

  // Starts the worker, or asks the running one to stop before its next entry.
  void StartOrInterruptInstallation();
  bool IsRunning() const { return m_bRunning.load(); }

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  CEdit m_edtLog;
  CProgressCtrl m_prgProgress;
  std::string m_strLog;
  std::atomic<bool> m_bInterruptRequested{false};
  std::atomic<bool> m_bRunning{false};
  afx::ScopedKernelHandle m_hWorkerThread;

  DECLARE_MESSAGE_MAP()
};
