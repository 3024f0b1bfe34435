#include "DlgWizardInstaller.h"

#include <utility>
#include "DlgSubPageBase.h"
#include "FlagRaised.h"
#include "PageFactory.h"
#include "device_operations.h"
#include "resource.h"

namespace {
const char* const kStepTexts[kPageCount] = {
    "Benvenuto", "Licenza", "Connessione", "Destinazione", "Riepilogo", "Installazione", "Fine installazione",
};
constexpr int kImageStepAhead = 1;
constexpr int kImageStepReached = 2;
constexpr DWORD kAgentEndWaitMs = 3000;  // how long "Fine" and Cancel wait for the agent to end

// A function that not every Windows has, or null.
template <typename Function>
Function UserFunction(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}
}  // namespace

BEGIN_MESSAGE_MAP(CDlgWizardInstaller, CDialog)
  ON_BN_CLICKED(IDC_BACK, &CDlgWizardInstaller::OnBack)
  ON_BN_CLICKED(IDC_CANCEL_BUTTON, &CDlgWizardInstaller::OnCancelButton)
  ON_BN_CLICKED(IDC_NEXT, &CDlgWizardInstaller::OnNext)
  ON_MESSAGE(WM_INSTALLATION_FINISHED, &CDlgWizardInstaller::OnInstallationFinished)
  ON_MESSAGE(WM_QUERYENDSESSION, &CDlgWizardInstaller::OnQueryEndSession)
  ON_MESSAGE(WM_ENDSESSION, &CDlgWizardInstaller::OnEndSession)
END_MESSAGE_MAP()

CDlgWizardInstaller::CDlgWizardInstaller(CWnd* pParent) : CDialog(IDD_WIZARD_INSTALLER, pParent) {
  AfxInitRichEdit();
  m_hIcon = ::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
  m_fontSteps.CreatePointFont(100, "Arial");
  LOGFONTW logFont = {};
  m_fontSteps.GetLogFont(&logFont);
  logFont.lfHeight = 20;
  logFont.lfWeight = 600;
  m_fontStepsTitle.CreateFontIndirect(&logFont);
  m_imlSteps.Create(IDB_STEPS, 16, 1, RGB(255, 255, 255));
}

CDlgWizardInstaller::~CDlgWizardInstaller() {
  m_pCurrentPage.reset();
  DeleteTempFiles();
}

void CDlgWizardInstaller::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_HEADER, m_stcHeader);
  DDX_Control(pDX, IDC_STEPS_TITLE, m_stcStepsTitle);
  DDX_Control(pDX, IDC_PAGE_AREA, m_stcPageArea);
  DDX_Control(pDX, IDC_STEPS, m_lstSteps);
  DDX_Control(pDX, IDC_NEXT, m_btnNext);
  DDX_Control(pDX, IDC_CANCEL_BUTTON, m_btnCancel);
  DDX_Control(pDX, IDC_BACK, m_btnBack);
}

BOOL CDlgWizardInstaller::OnInitDialog() {
  CDialog::OnInitDialog();
  InitStepList();
  PreparePackage();
  ShowPage(kPageWelcome);
  m_hHeaderBitmap.Reset(::LoadBitmapA(AfxGetInstanceHandle(),
                                      MAKEINTRESOURCEA(m_state.m_bProductA ? IDB_BANNER_TALVENIA : IDB_BANNER_FENDRO)));
  // The picture the control loaded from the template is handed back, and is ours to delete.
  if (HBITMAP previous = m_stcHeader.SetBitmap(m_hHeaderBitmap.Get());
      previous != nullptr && previous != m_hHeaderBitmap.Get())
    ::DeleteObject(previous);
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  return TRUE;
}

void CDlgWizardInstaller::InitStepList() {
  RECT client = {};
  m_lstSteps.GetClientRect(&client);
  int rowHeight = (client.bottom - client.top) / kPageCount;
  m_stcStepsTitle.SetFont(&m_fontStepsTitle, TRUE);
  m_lstSteps.SetFont(&m_fontSteps, TRUE);
  m_lstSteps.SetImageList(&m_imlSteps, LVSIL_SMALL);
  m_lstSteps.SetBkColor(RGB(255, 255, 255));
  for (int i = 0; i < kPageCount; ++i)
    m_lstSteps.InsertItem(i, kStepTexts[i], i == kPageWelcome ? kImageStepReached : kImageStepAhead);
  for (int i = 0; i < kPageCount; ++i) {
    POINT position = {};
    m_lstSteps.GetItemPosition(i, &position);
    m_lstSteps.SetItemPosition(i, POINT{position.x + 10, i * rowHeight + 10});
  }
}

bool CDlgWizardInstaller::ShowPage(int n) {
  if (n == m_nCurrentPage || n < 0 || n >= kPageCount) return false;
  // Once the wizard is ending no page is entered: the installation page would start copying.
  if (IsEnding()) return false;
  m_pCurrentPage = CreateWizardPage(n, this);
  if (m_pCurrentPage == nullptr) return false;

  RECT area = {};
  m_stcPageArea.GetWindowRect(&area);
  ScreenToClient(&area);
  if (m_pCurrentPage->m_hWnd == nullptr) m_pCurrentPage->Create(m_pCurrentPage->GetTemplateID(), this);
  m_pCurrentPage->MoveWindow(area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
  m_pCurrentPage->ShowWindow(SW_SHOW);
  m_pCurrentPage->SetState(&m_state);
  ++m_nPageVisit;
  m_nCurrentPage = n;  // before the hook: the installation page starts its worker from OnEnterPage
  m_pCurrentPage->OnEnterPage();
  UpdateButtons();
  UpdateStepList();
  return true;
}

void CDlgWizardInstaller::DestroyCurrentPage(bool callLeaveHook) {
  if (m_pCurrentPage == nullptr) return;
  if (callLeaveHook) m_pCurrentPage->OnLeavePage();
  m_pCurrentPage->DestroyWindow();
  m_pCurrentPage.reset();
}

void CDlgWizardInstaller::GoToPage(int n) {
  if (n >= kPageCount || n == m_nCurrentPage) return;
  {
    FlagRaised switching(m_bSwitchingPage);
    DestroyCurrentPage(true);
    if (m_nCurrentPage > kPageConnection) CheckDeviceConnection();
    ShowPage(n);  // not when a close during the check has ended the wizard
  }
  // A close that came while the new page's entry showed a box belongs to this switch, not to a later one.
  ServeHeldRequests();
}

void CDlgWizardInstaller::OnNext() {
  // While the worker copies, Next is hidden; a click sent to it all the same must not leave the page.
  if (NavigationBlocked() || CurrentPageBusy()) return;
  if (m_nCurrentPage == kPageEndInstall) {
    DeleteDeviceAgent();
    CDialog::OnOK();
    return;
  }
  if (m_pCurrentPage == nullptr) return;
  const unsigned visit = m_nPageVisit;
  bool leave = false;
  {
    FlagRaised asking(m_bAsking);
    leave = m_pCurrentPage->CanLeavePage();
  }
  // The page may have asked the user; a request that came meanwhile goes first.
  if (leave && visit == m_nPageVisit && !IsEnding() && m_nHeldCommand == 0 && !m_nHeldQuit.has_value())
    GoToPage(m_nCurrentPage + 1);
  ServeHeldRequests();
}

void CDlgWizardInstaller::OnBack() {
  if (NavigationBlocked() || CurrentPageBusy()) return;
  {
    FlagRaised switching(m_bSwitchingPage);
    DestroyCurrentPage(true);
    if (m_nCurrentPage > kPageConnection && !CheckDeviceConnection()) m_nCurrentPage = kPageDestination;
    ShowPage(m_nCurrentPage - 1);
  }
  ServeHeldRequests();
}

void CDlgWizardInstaller::OnCancelButton() {
  if (FrameBusy()) return;
  if (m_nCurrentPage == kPageInstallation) {
    AskToInterruptInstallation();
    return;
  }
  if (BoxOpen()) return;
  const char* question = m_state.m_bProductA ? "Sei sicuro di voler annullare l'installazione di Talvenia?"
                                             : "Sei sicuro di voler annullare l'installazione di Fendro?";
  const unsigned visit = m_nPageVisit;
  int answer = IDNO;
  {
    FlagRaised asking(m_bAsking);
    answer = MessageBox(question, kCaptionQuestion, MB_YESNO | MB_ICONQUESTION);
  }
  // The "Sì" holds for the page it was asked on, and never ends the wizard under a running worker.
  if (answer == IDYES && visit == m_nPageVisit && !IsEnding() && !CurrentPageBusy()) {
    DeleteDeviceAgent();
    CDialog::OnCancel();
  }
  ServeHeldRequests();
}

void CDlgWizardInstaller::ServeHeldRequests() {
  const std::optional<int> quit = std::exchange(m_nHeldQuit, std::nullopt);
  const int command = std::exchange(m_nHeldCommand, 0);
  if (IsEnding()) return;
  if (quit.has_value()) {
    QuitRequested(*quit);
    return;
  }
  if (command == 0) return;
  if (CurrentPageBusy()) {
    // As a close during the copy: the user is asked whether to interrupt it; Enter does nothing then.
    if (command == IDCANCEL) AskToInterruptInstallation();
    return;
  }
  if (command == IDOK)
    CDialog::OnOK();
  else
    CDialog::OnCancel();
}

bool CDlgWizardInstaller::CurrentPageBusy() const { return m_pCurrentPage != nullptr && m_pCurrentPage->IsBusy(); }

void CDlgWizardInstaller::AskToInterruptInstallation() {
  const unsigned visit = m_nPageVisit;
  int answer = MessageBox("Sei sicuro di voler interrompere la copia dei file sul palmare?", kCaptionQuestion,
                          MB_YESNO | MB_ICONQUESTION);
  // The worker may have finished, and the frame moved on, while the question was open.
  if (answer != IDYES || visit != m_nPageVisit || !CurrentPageBusy()) return;
  m_pCurrentPage->RequestStop();
}

void CDlgWizardInstaller::OnOK() {
  if (CurrentPageBusy()) return;
  if (FrameBusy()) {
    if (m_nHeldCommand == 0) m_nHeldCommand = IDOK;
    return;
  }
  if (BoxOpen()) return;
  CDialog::OnOK();
}

void CDlgWizardInstaller::OnCancel() {
  if (CurrentPageBusy()) {
    AskToInterruptInstallation();
    return;
  }
  // A check dispatches messages while it waits, and a question waits for its answer; ending now would let the
  // switch or the handler that runs them go on in a closed wizard. The close is carried out when they are over.
  if (FrameBusy()) {
    m_nHeldCommand = IDCANCEL;
    return;
  }
  CDialog::OnCancel();
}

void CDlgWizardInstaller::OnQuitRequest() {
  // The worker must report before its page may go: it is asked to stop, and the wizard ends on its report.
  if (CurrentPageBusy()) {
    m_bEndOnReport = true;
    m_pCurrentPage->RequestStop();
    return;
  }
  CDialog::OnQuitRequest();
}

LRESULT CDlgWizardInstaller::OnQueryEndSession(WPARAM, LPARAM) { return CurrentPageBusy() ? FALSE : TRUE; }

LRESULT CDlgWizardInstaller::OnEndSession(WPARAM ending, LPARAM) {
  if (!ending) return 0;
  if (CurrentPageBusy()) {
    // Only a forced end comes during the copy, whose worker holds the archive: it stops before its next entry.
    m_bEndOnReport = true;
    m_pCurrentPage->RequestStop();
    return 0;
  }
  // No worker runs, so nothing holds the temporary files. The agent stays on the handheld, as after the close
  // box: a call to a handheld that may be going too could hold up the end of the session.
  DeleteTempFiles();
  CDialog::OnCancel();  // should the system let the program run on
  return 0;
}

bool CDlgWizardInstaller::PassesToDefault(UINT message, WPARAM, LPARAM) {
  if (message != WM_INSTALLATION_FINISHED) return false;
  // The page notes its worker's result before the worker reports it; nothing else is a report.
  return m_nCurrentPage != kPageInstallation || m_pCurrentPage == nullptr ||
         !m_pCurrentPage->WorkerReport().has_value();
}

LRESULT CDlgWizardInstaller::OnInstallationFinished(WPARAM, LPARAM) {
  // The result is the one the worker noted: a stranger's message let through in its place cannot change it.
  const int result = m_pCurrentPage->WorkerReport().value_or(InstallFailed);
  BlockSessionEnd(false);
  if (m_bEndOnReport) {
    DestroyCurrentPage(false);
    CDialog::OnQuitRequest();
    return 0;
  }
  if (result == InstallCompleted) {
    GoToPage(kPageEndInstall);
  } else {
    SetInstallRunning(false);
    GoToPage(kPageDestination);
  }
  return 0;
}

void CDlgWizardInstaller::SetInstallRunning(bool running) {
  if (running) BlockSessionEnd(true);
  m_btnBack.ShowWindow(running ? SW_HIDE : SW_SHOW);
  m_btnNext.ShowWindow(running ? SW_HIDE : SW_SHOW);
  m_btnCancel.SetWindowText(running ? "Interrompi" : "Annulla");
}

void CDlgWizardInstaller::UpdateButtons() {
  const int n = m_nCurrentPage;
  m_btnNext.SetWindowText(n == kPageReadyToInstall ? "Installa" : n == kPageEndInstall ? "Fine" : "Avanti >");
  if (n != kPageInstallation) m_btnBack.ShowWindow(n > kPageWelcome ? SW_SHOW : SW_HIDE);
  if (n == kPageEndInstall) {
    m_btnNext.ShowWindow(SW_SHOW);
    m_btnCancel.EnableWindow(FALSE);
    m_btnCancel.SetWindowText("Annulla");
    m_btnBack.EnableWindow(FALSE);
  }
}

void CDlgWizardInstaller::UpdateStepList() {
  for (int i = 0; i < kPageCount; ++i)
    m_lstSteps.SetItemImage(i, i <= m_nCurrentPage ? kImageStepReached : kImageStepAhead);
}

void CDlgWizardInstaller::DeleteDeviceAgent() {
  // The agent of the last survey may still be ending on the handheld; the wizard is closing, so a short wait is
  // better than leaving it behind.
  talv::DeleteDeviceProgram(kDeviceAgentPath, kAgentEndWaitMs);
}

void CDlgWizardInstaller::BlockSessionEnd(bool block) {
  if (block == m_bSessionEndBlocked) return;
  // Looked up when needed: Windows XP, where many handhelds are docked, has neither function.
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (block) {
    if (auto create = UserFunction<BOOL(WINAPI*)(HWND, LPCWSTR)>(user32, "ShutdownBlockReasonCreate"))
      create(m_hWnd, L"Installazione sul palmare in corso");
  } else if (auto destroy = UserFunction<BOOL(WINAPI*)(HWND)>(user32, "ShutdownBlockReasonDestroy")) {
    destroy(m_hWnd);
  }
  m_bSessionEndBlocked = block;
}
