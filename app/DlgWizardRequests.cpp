// The frame's requests: every close, quit, end of the session and report of the worker is judged by the
// wizard's state table and carried out here, whichever window or loop it reached.
#include "DlgSubPageBase.h"
#include "DlgWizardInstaller.h"
#include "PackagePreparation.h"

namespace {
// How long the end of the session waits for the work that holds the temporary files to let go of them: a few
// seconds, well inside the time the system gives a program before it ends it.
constexpr DWORD kSessionEndWaitMs = 4000;
constexpr DWORD kSentMessageWaitMs = 50;
}  // namespace

using talv::Request;
using talv::Situation;
using talv::Verdict;

talv::Situation CDlgWizardInstaller::Now() const {
  // A box of the frame or a page disables the frame while it is open.
  const bool boxOpen = m_hWnd != nullptr && !::IsWindowEnabled(m_hWnd);
  return talv::Effective(m_life.Entered(), IsEnding(), CurrentPageBusy(), boxOpen);
}

talv::Verdict CDlgWizardInstaller::Judge(Request request) {
  const Verdict verdict = talv::Decide(Now(), request);
  if (verdict == Verdict::Hold) m_life.Hold(request);
  return verdict;
}

void CDlgWizardInstaller::Handle(Request request) {
  switch (Judge(request)) {
    case Verdict::Act: CarryOut(request); break;
    case Verdict::PassOn: PassOn(request); break;
    case Verdict::Hold:
    case Verdict::Refuse: break;
  }
}

void CDlgWizardInstaller::CarryOut(Request request) {
  switch (request) {
    case Request::Cancel: AskToCancel(); break;
    case Request::Close: CDialog::OnCancel(); break;
    case Request::Enter: CDialog::OnOK(); break;
    case Request::Quit: CDialog::OnQuitRequest(); break;
    case Request::EndSession:
      // No work holds the temporary files. The agent stays on the handheld, as after the close box: a call to
      // a handheld that may be going too could hold up the end of the session.
      DeleteTempFiles();
      CDialog::OnCancel();  // should the system let the program run on
      break;
    default: break;
  }
}

void CDlgWizardInstaller::PassOn(Request request) {
  if (Now() == Situation::Preparing) {
    if (m_pPreparation != nullptr) m_pPreparation->RequestStop();
    if (request == Request::EndSession) {
      // Every file of the preparation is closed, and both are gone, before the session may end.
      if (m_pPreparation != nullptr) m_pPreparation->WaitForEnd(kSessionEndWaitMs);
      DeleteTempFiles();
    }
    if (request == Request::Quit)
      CDialog::OnQuitRequest();
    else
      CDialog::OnCancel();  // the wizard never shows
    return;
  }
  // The worker runs: it must report before its page may go.
  switch (request) {
    case Request::Cancel:
    case Request::Close: AskToInterruptInstallation(); break;
    case Request::Quit:
      m_life.Enter(Situation::EndingOnReport);
      m_pCurrentPage->RequestStop();
      break;
    case Request::EndSession:
      // A forced end: the copy stops before its next entry, and the handler returns once the worker has let go
      // of the archive, or after a few seconds, when the entry under way is the one the system's deadline cuts.
      m_life.Enter(Situation::EndingOnReport);
      if (CurrentPageBusy()) m_pCurrentPage->RequestStop();
      WaitForWorkerReport(kSessionEndWaitMs);
      DeleteTempFiles();
      break;
    default: break;
  }
}

void CDlgWizardInstaller::ServeHeldRequest() {
  // A quit's exit code was recorded as the dialog's own when it came, and reaches the outer loop from there.
  if (const std::optional<Request> held = m_life.TakeHeld(); held.has_value()) Handle(*held);
}

LRESULT CDlgWizardInstaller::OnEnableChanged(WPARAM enabled, LPARAM) {
  if (enabled && m_life.Holds()) PostMessage(WM_SERVE_HELD_REQUEST);
  return 0;
}

LRESULT CDlgWizardInstaller::OnServeHeldRequest(WPARAM, LPARAM) {
  ServeHeldRequest();
  return 0;
}

void CDlgWizardInstaller::WaitForWorkerReport(DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  while (CurrentPageBusy() && ::GetTickCount() - start < timeoutMs) {
    // The report and the feed's last lines are sent by the worker; nothing posted is taken out of turn.
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    if (CurrentPageBusy()) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kSentMessageWaitMs, QS_SENDMESSAGE);
  }
}

void CDlgWizardInstaller::OnOK() { Handle(Request::Enter); }

void CDlgWizardInstaller::OnCancel() { Handle(Request::Close); }

void CDlgWizardInstaller::OnQuitRequest() { Handle(Request::Quit); }

LRESULT CDlgWizardInstaller::OnQueryEndSession(WPARAM, LPARAM) {
  return Judge(Request::QueryEndSession) == Verdict::Act ? TRUE : FALSE;
}

LRESULT CDlgWizardInstaller::OnEndSession(WPARAM ending, LPARAM) {
  if (ending) Handle(Request::EndSession);
  return 0;
}

bool CDlgWizardInstaller::PassesToDefault(UINT message, WPARAM, LPARAM) {
  if (message != WM_INSTALLATION_FINISHED) return false;
  // The page notes its worker's result before the worker reports it; nothing else is a report.
  return m_nCurrentPage != kPageInstallation || m_pCurrentPage == nullptr ||
         !m_pCurrentPage->WorkerReport().has_value();
}

LRESULT CDlgWizardInstaller::OnInstallationFinished(WPARAM, LPARAM) {
  const Situation now = Now();
  if (Judge(Request::WorkerReport) != Verdict::Act) return 0;
  // The result is the one the worker noted: a stranger's message let through in its place cannot change it.
  const int result = m_pCurrentPage->WorkerReport().value_or(InstallFailed);
  BlockSessionEnd(false);
  if (now == Situation::EndingOnReport) {
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
