#include "DlgSubPageInstallation.h"

#include "WizardMessages.h"
#include "resource.h"

namespace {
// Posted (or, before a message box and at the end, sent) by the worker's feed to its page.
constexpr UINT WM_INSTALLATION_FEED = WM_APP + 1;
}  // namespace

BEGIN_MESSAGE_MAP(CDlgSubPageInstallation, CDlgSubPageBase)
  ON_MESSAGE(WM_INSTALLATION_FEED, &CDlgSubPageInstallation::OnInstallationFeed)
END_MESSAGE_MAP()

CDlgSubPageInstallation::CDlgSubPageInstallation(CWnd* pParent) : CDlgSubPageBase(IDD_PAGE_INSTALLATION, pParent) {}

// Runs while the frame handles the worker's report, so the thread handle is released exactly then; the
// worker is still inside its send and touches nothing of the page afterwards.
CDlgSubPageInstallation::~CDlgSubPageInstallation() = default;

void CDlgSubPageInstallation::DoDataExchange(CDataExchange* pDX) {
  CDlgSubPageBase::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_LOG, m_edtLog);
  DDX_Control(pDX, IDC_PROGRESS, m_prgProgress);
  DDX_Text(pDX, IDC_LOG, m_strLog);
}

void CDlgSubPageInstallation::OnEnterPage() {
  // The edit control would stop taking text at its default 30,000 characters, long before the last line of a
  // large package: the user would never see the installation end.
  m_edtLog.SetLimitText(0);
  StartOrInterruptInstallation();
}

std::optional<int> CDlgSubPageInstallation::WorkerReport() const {
  const int worker = m_nWorker;
  return worker < 0 ? std::nullopt : std::optional<int>(worker);
}

void CDlgSubPageInstallation::RequestStop() {
  if (m_nWorker != kWorkerNone) StartOrInterruptInstallation();
}

bool CDlgSubPageInstallation::CanLeavePage() { return true; }

void CDlgSubPageInstallation::OnLeavePage() {}

void CDlgSubPageInstallation::StartOrInterruptInstallation() {
  // Once started, a worker belongs to this page until its report ends the page: a request that comes
  // after its last check must not start a second one.
  if (m_nWorker != kWorkerNone) {
    m_bInterruptRequested = true;
    return;
  }
  m_edtLog.SetWindowText("");
  m_bInterruptRequested = false;
  Host().SetInstallRunning(true);
  m_hWizard = ::GetParent(m_hWnd);
  m_feed.SetPage(GetSafeHwnd(), WM_INSTALLATION_FEED);

  m_nWorker = kWorkerRunning;
  m_hWorkerThread.Reset(::CreateThread(nullptr, 0, &CDlgSubPageInstallation::InstallThreadProc, this, 0, nullptr));
  if (!m_hWorkerThread.IsValid()) {
    // No worker will report: report the failure in its place, once the frame has finished showing the page.
    MessageBox("Impossibile avviare l'installazione.", kCaptionError, MB_OK | MB_ICONERROR);
    m_nWorker = InstallFailed;
    ::PostMessageW(m_hWizard, WM_INSTALLATION_FINISHED, InstallFailed, 0);
  }
}

DWORD WINAPI CDlgSubPageInstallation::InstallThreadProc(LPVOID pParam) {
  auto* page = static_cast<CDlgSubPageInstallation*>(pParam);
  const HWND wizard = page->m_hWizard;
  const int result = InstallWorker(page);
  // The frame takes the message for the report only once the page holds the result.
  page->m_nWorker = result;
  // The frame leaves the page, and deletes it, before this send returns.
  ::SendMessageW(wizard, WM_INSTALLATION_FINISHED, static_cast<WPARAM>(result), 0);
  return static_cast<DWORD>(result);
}

LRESULT CDlgSubPageInstallation::OnInstallationFeed(WPARAM, LPARAM) { return m_feed.Show(); }

void CDlgSubPageInstallation::ShowWorkerMessage(const std::string& text, const char* caption, UINT type) {
  m_feed.Flush();
  MessageBox(text.c_str(), caption, type);
}
