// The wizard frame: banner, step list, the page now shown and the three navigation buttons. It owns the
// current page, the shared InstallerState, the prepared package and its two temporary files, and decides
// every request of the wizard's life (closes, quits, the session's end, the worker's report, moves between
// pages) through one state table, from the package's preparation to its end. Pages see only their context.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include "Afx.h"
#include "InstallerState.h"
#include "PageContext.h"
#include "PreparationWindow.h"
#include "WizardMessages.h"
#include "wizard_life.h"

class CDlgSubPageBase;
class PackagePreparation;

// Posted by the frame to itself: serve the request held while a page's box was open.
constexpr UINT WM_SERVE_HELD_REQUEST = WM_APP + 2;

class CDlgWizardInstaller : public CDialog, private PageHost {
 public:
  explicit CDlgWizardInstaller(CWnd* pParent = nullptr);
  ~CDlgWizardInstaller() override;

  // Services for the pages (through PageHost), public for the frame's own use too.
  bool CheckDeviceConnection() override;
  void SetInstallRunning(bool running) override;
  // deviceError, when given, receives the handheld's error code behind a failure (0 after success).
  bool CopyFileToDevice(FILE* source, uint32_t byteCount, const char* devicePath, uint32_t* deviceError = nullptr);
  std::wstring GetTempPackagePath(bool compressed) const;
  // What the wizard has learnt so far, read-only (the frame and its pages are the writers).
  const InstallerState& GetState() const { return m_state; }

  bool ShowPage(int n);
  void GoToPage(int n);

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  // Enter, and Escape with the close box, Alt+F4 and the taskbar's close (all IDCANCEL): decided by the state
  // table like every other request.
  void OnOK() override;
  void OnCancel() override;
  void OnQuitRequest() override;
  // WM_INSTALLATION_FINISHED is DM_SETDEFID too: only the report of the worker of the page now shown is one.
  bool PassesToDefault(UINT message, WPARAM wParam, LPARAM lParam) override;

  void OnBack();
  void OnNext();
  void OnCancelButton();
  LRESULT OnInstallationFinished(WPARAM wParam, LPARAM lParam);
  LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
  // The session ends: the system may end the program as soon as this returns, without the destructor's clean-up.
  LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);

  void UpdateButtons();
  void UpdateStepList();
  void InitStepList();

  void PreparePackage();
  void DeleteTempFiles();

 private:
  // The situation now, as the state table sees it.
  talv::Situation Now() const;
  // The table's verdict on a request now; one it holds is kept for ServeHeldRequest.
  talv::Verdict Judge(talv::Request request);
  // Judges a request and does what the verdict says (the requests whose meaning needs no caller).
  void Handle(talv::Request request);
  void CarryOut(talv::Request request);
  // The running work (the preparation or the worker) is asked to stop; the wizard ends, or the user is asked
  // whether to interrupt the copy, as the request means.
  void PassOn(talv::Request request);
  // Judges the held request again, once the situation that held it is over.
  void ServeHeldRequest();
  // A box of a page closed: the request held meanwhile is served once the page's handler has returned.
  LRESULT OnEnableChanged(WPARAM enabled, LPARAM lParam);
  LRESULT OnServeHeldRequest(WPARAM wParam, LPARAM lParam);
  void AskToCancel();
  // Waits, at most timeoutMs and handling only messages sent by other threads, until the worker has reported.
  void WaitForWorkerReport(DWORD timeoutMs);
  // Shows the start-up window and takes the requests of the preparation's time until its thread has ended.
  void AwaitPreparation(PackagePreparation& preparation);
  void TakePreparation(const PackagePreparation& preparation);
  static std::wstring TempPackagePath(const wchar_t* name);

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
  PreparedPackage m_package;
  afx::ScopedBitmap m_hHeaderBitmap;
  HICON m_hIcon = nullptr;  // shared icon from the resources: not destroyed
  // Shown while a long preparation of the package runs; gone once the wizard is on screen.
  std::unique_ptr<PreparationWindow> m_pPreparationWindow;
  PackagePreparation* m_pPreparation = nullptr;  // while the preparation's thread runs
  std::wstring m_strCompressedPath;              // "TFInst.zip", worked out once like the archive's path

  // Where the wizard's life stands, and the one request held until the situation that held it is over.
  talv::WizardLife m_life;
  // Each page shown gets a new visit number, so a late answer can tell whether its page is still current.
  unsigned m_nPageVisit = 0;

  DECLARE_MESSAGE_MAP()
};
