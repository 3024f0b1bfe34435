#include "InstallObserver.h"

#include <commctrl.h>
#include "Afx.h"
#include "latin1_text.h"
#include "WizardMessages.h"
#include "resource.h"

namespace ui_test {

namespace {

// A thread message that the wizard's thread counts down and then reports: by then everything posted before
// it, and what that posted in turn, has been handled.
constexpr UINT kDrainMessage = WM_APP + 0x51;
constexpr WPARAM kDrainRounds = 4;

InstallObserver* g_observer = nullptr;

HWND InstallationPageOf(HWND frame) {
  for (HWND child = ::GetWindow(frame, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
    if (::GetDlgItem(child, IDC_LOG) != nullptr) return child;
  return nullptr;
}

}  // namespace

InstallObserver::InstallObserver(DWORD uiThreadId) : m_uiThreadId(uiThreadId) {
  m_heldEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  m_releaseEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  m_drainedEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  g_observer = this;
  m_callHook = ::SetWindowsHookExW(WH_CALLWNDPROC, &InstallObserver::CallHookProc, nullptr, uiThreadId);
  m_getHook = ::SetWindowsHookExW(WH_GETMESSAGE, &InstallObserver::GetHookProc, nullptr, uiThreadId);
  CDlgSubPageInstallation::SetWorkerWatcher(&InstallObserver::WorkerWatcher);
}

InstallObserver::~InstallObserver() {
  // A test replaces its observer by constructing the next one first: only the one in place lets the worker go.
  if (g_observer == this) {
    CDlgSubPageInstallation::SetWorkerWatcher(nullptr);
    g_observer = nullptr;
  }
  Release();
  if (m_callHook != nullptr) ::UnhookWindowsHookEx(m_callHook);
  if (m_getHook != nullptr) ::UnhookWindowsHookEx(m_getHook);
  ::CloseHandle(m_heldEvent);
  ::CloseHandle(m_releaseEvent);
  ::CloseHandle(m_drainedEvent);
}

void InstallObserver::HoldAt(const HoldPoint& point) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_hold = point;
  m_holdArmed = true;
  ::ResetEvent(m_heldEvent);
  ::ResetEvent(m_releaseEvent);
}

bool InstallObserver::WaitHeld(DWORD timeoutMs) const {
  return ::WaitForSingleObject(m_heldEvent, timeoutMs) == WAIT_OBJECT_0;
}

void InstallObserver::Release() { ::SetEvent(m_releaseEvent); }

bool InstallObserver::Drain(DWORD timeoutMs) const {
  ::ResetEvent(m_drainedEvent);
  if (!::PostThreadMessageW(m_uiThreadId, kDrainMessage, kDrainRounds, 0)) return false;
  return ::WaitForSingleObject(m_drainedEvent, timeoutMs) == WAIT_OBJECT_0;
}

std::vector<InstallReport> InstallObserver::Reports() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_reports;
}

bool InstallObserver::WaitForReports(size_t count, DWORD timeoutMs) const {
  const DWORD start = ::GetTickCount();
  while (Reports().size() < count) {
    if (::GetTickCount() - start > timeoutMs) return false;
    ::Sleep(10);
  }
  return true;
}

LRESULT CALLBACK InstallObserver::CallHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && g_observer != nullptr) g_observer->OnCall(*reinterpret_cast<CWPSTRUCT*>(lParam));
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK InstallObserver::GetHookProc(int code, WPARAM wParam, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && g_observer != nullptr && msg->hwnd == nullptr &&
      msg->message == kDrainMessage) {
    if (msg->wParam > 0)
      ::PostThreadMessageW(g_observer->m_uiThreadId, kDrainMessage, msg->wParam - 1, 0);
    else
      ::SetEvent(g_observer->m_drainedEvent);
    msg->message = WM_NULL;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void InstallObserver::WorkerWatcher(WorkerStep step, int value) {
  if (InstallObserver* observer = g_observer) observer->OnWorkerStep(step, value);
}

void InstallObserver::OnCall(const CWPSTRUCT& call) {
  if (call.message == PBM_SETRANGE32) ++m_rangesSet;
  if (call.message != WM_INSTALLATION_FINISHED) return;
  // The page still stands: the frame has not handled the report yet.
  InstallReport report;
  report.result = static_cast<int>(call.wParam);
  if (HWND page = InstallationPageOf(call.hwnd); page != nullptr) {
    HWND log = ::GetDlgItem(page, IDC_LOG);
    HWND bar = ::GetDlgItem(page, IDC_PROGRESS);
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(log)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(log, text.data(), static_cast<int>(text.size()))));
    report.log = base::Narrow(text);
    report.position = static_cast<int>(::SendMessageW(bar, PBM_GETPOS, 0, 0));
    report.rangeLow = static_cast<int>(::SendMessageW(bar, PBM_GETRANGE, TRUE, 0));
    report.rangeHigh = static_cast<int>(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  m_reports.push_back(report);
}

void InstallObserver::OnWorkerStep(WorkerStep step, int value) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_holdArmed || step != m_hold.step || value != m_hold.value) return;
    m_holdArmed = false;
  }
  ::SetEvent(m_heldEvent);
  ::WaitForSingleObject(m_releaseEvent, INFINITE);
}

}  // namespace ui_test
