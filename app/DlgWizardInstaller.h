// The wizard frame: banner, step list, the page now shown and the three navigation buttons. It owns the
// current page, the shared InstallerState and the two temporary package files, and offers pages the
// services they reach through their parent: the device connection, the copy to the device, the package
// paths and the installation's button state.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include "Afx.h"
#include "InstallerState.h"
#include "WizardMessages.h"

class CDlgSubPageBase;

class CDlgWizardInstaller : public CDialog {
 public:
  explicit CDlgWizardInstaller(CWnd* pParent = nullptr);
  ~CDlgWizardInstaller() override;

  // Services for the pages.
  bool CheckDeviceConnection();
  bool CopyFileToDevice(FILE* source, uint32_t byteCount, const char* devicePath);
  // The handheld's error code behind the last failed CopyFileToDevice of the calling thread (the close that
  // follows a failed write would otherwise overwrite it).
  static uint32_t GetLastCopyError();
  std::string GetTempPackagePath(bool compressed) const;
  void SetInstallRunning(bool running);
  // What the wizard has learnt so far, read-only (the frame and its pages are the writers).
  const InstallerState& GetState() const { return m_state; }

  bool ShowPage(int n);
  void GoToPage(int n);

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  // Escape, Enter and the close box end the wizard at once, except while an installation runs.
  void OnOK() override;
  void OnCancel() override;

  void OnBack();
  void OnNext();
  void OnCancelButton();
  LRESULT OnInstallationFinished(WPARAM wParam, LPARAM lParam);

  void UpdateButtons();
  void UpdateStepList();
  void InitStepList();

  void PreparePackage();
  int InflatePackage(FILE* source, FILE* destination);
  void DeleteTempFiles();

 private:
  void DestroyCurrentPage(bool callLeaveHook);
  bool IsInstallationRunning() const;
  // Asks whether to interrupt the copy; the answer reaches only the installation visit it was asked for.
  void AskToInterruptInstallation();
  void DeleteDeviceAgent();

  CStatic m_stcStepsTitle;
  CStatic m_stcPageArea;
  CStatic m_stcHeader;
  CListCtrl m_lstSteps;
  CButton m_btnNext;
  CButton m_btnCancel;
  CButton m_btnBack;
  CFont m_fontSteps;
  CFont m_fontStepsTitle;
  CImageList m_imlSteps;
  CDlgSubPageBase* m_pCurrentPage = nullptr;
  int m_nCurrentPage = -1;
  InstallerState m_state;
  afx::ScopedBitmap m_hHeaderBitmap;
  HICON m_hIcon = nullptr;  // shared icon from the resources: not destroyed

  // Each page shown gets a new visit number, so a late answer can tell whether its page is still current.
  unsigned m_nPageVisit = 0;
  // True while a page switch runs: the connection check inside it dispatches clicks that must not re-enter.
  bool m_bSwitchingPage = false;
  // True while CheckDeviceConnection waits. The connection page's own check ("Aggiorna") runs outside a switch;
  // a Next or Back dispatched by its wait would destroy that page under the running check.
  bool m_bCheckingDevice = false;
  bool NavigationBlocked() const { return m_bSwitchingPage || m_bCheckingDevice; }

  DECLARE_MESSAGE_MAP()
};
