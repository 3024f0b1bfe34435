// The wizard frame: banner, step list, the page now shown and the three navigation buttons. It owns the
// current page, the shared InstallerState and the two temporary package files, and offers pages the
// services they reach through their parent: the device connection, the copy to the device, the package
// paths and the installation's button state.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include "Afx.h"
#include "InstallerState.h"
#include "PreparationWindow.h"
#include "WizardMessages.h"

class CDlgSubPageBase;

class CDlgWizardInstaller : public CDialog {
 public:
  explicit CDlgWizardInstaller(CWnd* pParent = nullptr);
  ~CDlgWizardInstaller() override;

  // Services for the pages.
  bool CheckDeviceConnection();
  // deviceError, when given, receives the handheld's error code behind a failure (0 after success).
  bool CopyFileToDevice(FILE* source, uint32_t byteCount, const char* devicePath, uint32_t* deviceError = nullptr);
  std::wstring GetTempPackagePath(bool compressed) const;
  // What decompressing the package returned (0: the whole stream, checksum included, checked out); nothing
  // when this run prepared no package.
  std::optional<int> GetInflateResult() const { return m_nInflateResult; }
  void SetInstallRunning(bool running);
  // What the wizard has learnt so far, read-only (the frame and its pages are the writers).
  const InstallerState& GetState() const { return m_state; }

  bool ShowPage(int n);
  void GoToPage(int n);

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  // Escape, Enter and the close box end the wizard at once, except while a page is busy or a device check
  // waits; a WM_QUIT waits for a busy page to finish.
  void OnOK() override;
  void OnCancel() override;
  void OnQuitRequest() override;

  void OnBack();
  void OnNext();
  void OnCancelButton();
  LRESULT OnInstallationFinished(WPARAM wParam, LPARAM lParam);
  // A log-off or shutdown is refused while the installation copies: the system would end the program in the
  // middle of a file.
  LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);

  void UpdateButtons();
  void UpdateStepList();
  void InitStepList();

  void PreparePackage();
  int InflatePackage(FILE* source, FILE* destination);
  void DeleteTempFiles();

 private:
  void DestroyCurrentPage(bool callLeaveHook);
  bool CurrentPageBusy() const;
  // Asks whether to interrupt the copy; the answer reaches only the installation visit it was asked for.
  void AskToInterruptInstallation();
  void DeleteDeviceAgent();
  void BlockSessionEnd(bool block);

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
  std::unique_ptr<CDlgSubPageBase> m_pCurrentPage;
  int m_nCurrentPage = -1;
  InstallerState m_state;
  afx::ScopedBitmap m_hHeaderBitmap;
  HICON m_hIcon = nullptr;  // shared icon from the resources: not destroyed
  std::optional<int> m_nInflateResult;
  // Shown while a long preparation of the package runs; gone once the wizard is on screen.
  std::unique_ptr<PreparationWindow> m_pPreparationWindow;

  // Each page shown gets a new visit number, so a late answer can tell whether its page is still current.
  unsigned m_nPageVisit = 0;
  // True while a page switch runs: the connection check inside it dispatches clicks that must not re-enter.
  bool m_bSwitchingPage = false;
  // True while CheckDeviceConnection waits. The connection page's own check ("Aggiorna") runs outside a switch;
  // a Next or Back dispatched by its wait would destroy that page under the running check.
  bool m_bCheckingDevice = false;
  bool NavigationBlocked() const { return m_bSwitchingPage || m_bCheckingDevice; }
  // A close request that came while a device check waited; carried out when the check is over.
  bool m_bCloseHeld = false;
  // A quit request came while a page was busy: the wizard ends on the worker's report.
  bool m_bEndOnReport = false;
  bool m_bSessionEndBlocked = false;

  DECLARE_MESSAGE_MAP()
};
