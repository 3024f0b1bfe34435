#include "WinApp.h"

#include <commctrl.h>
#include <atomic>

namespace {
CWinApp* g_app = nullptr;
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
  ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* pszAppName) : m_pszAppName(pszAppName) { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

void CWinApp::DoWaitCursor(int nCode) {
  if (nCode > 0) {
    if (m_nWaitCursorCount++ == 0) m_hcurWaitCursorRestore = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    return;
  }
  if (nCode < 0 && m_nWaitCursorCount > 0) --m_nWaitCursorCount;
  if (m_nWaitCursorCount > 0)
    ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
  else if (nCode < 0)
    ::SetCursor(m_hcurWaitCursorRestore != nullptr ? m_hcurWaitCursorRestore : ::LoadCursorA(nullptr, IDC_ARROW));
}

void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxGetInstanceHandle() { return ::GetModuleHandleW(nullptr); }

HINSTANCE AfxGetResourceHandle() { return ::GetModuleHandleW(nullptr); }

void AfxEnableControlContainer() {}

BOOL AfxInitRichEdit() {
  static HMODULE richEdit = ::LoadLibraryW(L"RICHED32.DLL");
  return richEdit != nullptr;
}

void AfxInitCommonControls() {
  static std::atomic<bool> done{false};
  if (done.exchange(true)) return;
  INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&init);
}

int AfxWinMain(HINSTANCE hInstance) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return -1;
  app->m_hInstance = hInstance;
  AfxInitCommonControls();
  if (!app->InitInstance()) return app->ExitInstance();
  // An application that keeps running after InitInstance would pump messages here; the installer never does.
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return app->ExitInstance();
}
