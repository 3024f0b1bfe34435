#include "DlgWizardInstaller.h"

#include <utility>
#include "DlgSubPageBase.h"
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

using talv::Request;
using talv::Situation;
using talv::SituationScope;
using talv::Verdict;

BEGIN_MESSAGE_MAP(CDlgWizardInstaller, CDialog)
  ON_BN_CLICKED(IDC_BACK, &CDlgWizardInstaller::OnBack)
  ON_BN_CLICKED(IDC_CANCEL_BUTTON, &CDlgWizardInstaller::OnCancelButton)
  ON_BN_CLICKED(IDC_NEXT, &CDlgWizardInstaller::OnNext)
  ON_MESSAGE(WM_INSTALLATION_FINISHED, &CDlgWizardInstaller::OnInstallationFinished)
  ON_MESSAGE(WM_QUERYENDSESSION, &CDlgWizardInstaller::OnQueryEndSession)
  ON_MESSAGE(WM_ENDSESSION, &CDlgWizardInstaller::OnEndSession)
  ON_MESSAGE(WM_ENABLE, &CDlgWizardInstaller::OnEnableChanged)
  ON_MESSAGE(WM_SERVE_HELD_REQUEST, &CDlgWizardInstaller::OnServeHeldRequest)
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
  m_strCompressedPath = TempPackagePath(L"TFInst.zip");
  m_package.archivePath = TempPackagePath(L"TFInst.pkg");
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
  m_life.Enter(Situation::OnPage);
  ShowPage(kPageWelcome);  // not when a close during the preparation has ended the wizard
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
  m_pCurrentPage->SetContext(PageContext{&m_state, &m_package, this});
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
    SituationScope switching(m_life, Situation::Busy);
    DestroyCurrentPage(true);
    if (m_nCurrentPage > kPageConnection) CheckDeviceConnection();
  }
  // A request that came during the check answers this switch: it goes before the new page is entered.
  ServeHeldRequest();
  ShowPage(n);
  // One that came while the new page's entry showed a box belongs to this switch, not to a later one.
  ServeHeldRequest();
}

void CDlgWizardInstaller::OnNext() {
  if (Judge(Request::Navigate) != Verdict::Act) return;
  if (m_nCurrentPage == kPageEndInstall) {
    DeleteDeviceAgent();
    CDialog::OnOK();
    return;
  }
  if (m_pCurrentPage == nullptr) return;
  const unsigned visit = m_nPageVisit;
  bool leave = false;
  {
    SituationScope asking(m_life, Situation::Asking);
    leave = m_pCurrentPage->CanLeavePage();
  }
  // The page may have asked the user; a request that came meanwhile goes first.
  if (leave && visit == m_nPageVisit && Now() == Situation::OnPage && !m_life.Holds()) GoToPage(m_nCurrentPage + 1);
  ServeHeldRequest();
}

void CDlgWizardInstaller::OnBack() {
  if (Judge(Request::Navigate) != Verdict::Act) return;
  {
    SituationScope switching(m_life, Situation::Busy);
    DestroyCurrentPage(true);
    if (m_nCurrentPage > kPageConnection && !CheckDeviceConnection()) m_nCurrentPage = kPageDestination;
  }
  ServeHeldRequest();
  ShowPage(m_nCurrentPage - 1);
  ServeHeldRequest();
}

void CDlgWizardInstaller::OnCancelButton() { Handle(Request::Cancel); }

void CDlgWizardInstaller::AskToCancel() {
  const char* question = m_state.m_bProductA ? "Sei sicuro di voler annullare l'installazione di Talvenia?"
                                             : "Sei sicuro di voler annullare l'installazione di Fendro?";
  const unsigned visit = m_nPageVisit;
  int answer = IDNO;
  {
    SituationScope asking(m_life, Situation::Asking);
    answer = MessageBox(question, kCaptionQuestion, MB_YESNO | MB_ICONQUESTION);
  }
  // The "Sì" holds for the page it was asked on, and never ends the wizard under a running worker.
  const Situation now = Now();
  if (answer == IDYES && visit == m_nPageVisit && (now == Situation::OnPage || now == Situation::Busy)) {
    DeleteDeviceAgent();
    CDialog::OnCancel();
  }
  ServeHeldRequest();
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
  // Looked up when needed: Windows XP, where many handhelds are docked, has neither function. Removing a
  // reason that was never given does no harm.
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (block) {
    if (auto create = UserFunction<BOOL(WINAPI*)(HWND, LPCWSTR)>(user32, "ShutdownBlockReasonCreate"))
      create(m_hWnd, L"Installazione sul palmare in corso");
  } else if (auto destroy = UserFunction<BOOL(WINAPI*)(HWND)>(user32, "ShutdownBlockReasonDestroy")) {
    destroy(m_hWnd);
  }
}
