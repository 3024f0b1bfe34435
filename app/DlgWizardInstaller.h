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
  // Escape, Enter and the close box end the wizard at once, except while a page is busy, or while a page switch,
  // a device check or a question runs, which they wait for; a WM_QUIT waits for a busy page to finish.
  void OnOK() override;
  void OnCancel() override;
  void OnQuitRequest() override;
  // WM_INSTALLATION_FINISHED is DM_SETDEFID too: only the report of the worker of the page now shown is one.
  bool PassesToDefault(UINT message, WPARAM wParam, LPARAM lParam) override;

  void OnBack();
  void OnNext();
  void OnCancelButton();
  LRESULT OnInstallationFinished(WPARAM wParam, LPARAM lParam);
  // A log-off or shutdown is refused while the installation copies: the system would end the program in the
  // middle of a file.
  LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
  // The session ends: the system ends the program once this returns, without the destructor's clean-up.
  LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);

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
  // True while the frame waits for a question, its own or the one a page asks in CanLeavePage.
  bool m_bAsking = false;
  // A switch, a check or a question of the frame runs: the dialog's standard commands wait for it to end.
  bool FrameBusy() const { return m_bSwitchingPage || m_bCheckingDevice || m_bAsking; }
  // A message box of the frame or a page disables the frame while it is open; navigating then would free the
  // page or the state under the code that waits for the answer.
  bool BoxOpen() const { return m_hWnd != nullptr && !::IsWindowEnabled(m_hWnd); }
  bool NavigationBlocked() const { return FrameBusy() || BoxOpen(); }
  // The standard command (IDOK or IDCANCEL, 0 for none) that came while the frame was busy, and a WM_QUIT that
  // a device check's wait removed; carried out once the frame is no longer busy.
  int m_nHeldCommand = 0;
  std::optional<int> m_nHeldQuit;
  void ServeHeldRequests();
  // A quit request came while a page was busy: the wizard ends on the worker's report.
  bool m_bEndOnReport = false;
  bool m_bSessionEndBlocked = false;

  DECLARE_MESSAGE_MAP()
};
