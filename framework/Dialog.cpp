#include "Dialog.h"

#include "latin1_text.h"
#include "WinApp.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd != nullptr) return;
  HWND control = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
  if (control == nullptr) {
    pDX->m_bFail = true;
    return;
  }
  rControl.Attach(control);
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
  CWnd control;
  control.Attach(::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC));
  if (control.m_hWnd == nullptr) {
    pDX->m_bFail = true;
    return;
  }
  if (pDX->m_bSaveAndValidate)
    value = control.GetWindowText();
  else
    control.SetWindowText(value);
  control.Detach();
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
  // Destroyed here, while the object is still a dialog, so the last messages find a complete message map.
  if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
  m_nIDTemplate = nIDTemplate;
  m_pParentWnd = pParentWnd;
  AfxInitCommonControls();
  m_bModal = false;
  HWND parent = pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr;
  HWND created = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nIDTemplate), parent, DialogProc,
                                      reinterpret_cast<LPARAM>(this));
  return created != nullptr;
}

INT_PTR CDialog::DoModal() {
  AfxInitCommonControls();
  HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
  bool ownerWasEnabled = owner != nullptr && ::IsWindowEnabled(owner);
  if (ownerWasEnabled) ::EnableWindow(owner, FALSE);

  m_bModal = true;
  m_bEndModal = false;
  m_nModalResult = -1;
  HWND created = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), owner, DialogProc,
                                      reinterpret_cast<LPARAM>(this));
  if (created != nullptr) {
    if (!m_bEndModal) ::ShowWindow(created, SW_SHOWNORMAL);
    RunModalLoop();
  }
  if (ownerWasEnabled) {
    ::EnableWindow(owner, TRUE);
    ::SetActiveWindow(owner);
  }
  if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
  m_bModal = false;
  return m_nModalResult;
}

void CDialog::RunModalLoop() {
  m_bQuitReceived = false;
  MSG msg;
  while (!m_bEndModal && m_hWnd != nullptr) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      m_bQuitReceived = true;
      m_nQuitCode = static_cast<int>(msg.wParam);
      OnQuitRequest();
      continue;
    }
    if (got == -1) break;
    if (!AfxPreTranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  // The quit request stays for whoever runs the outer loop.
  if (m_bQuitReceived) ::PostQuitMessage(m_nQuitCode);
}

void CDialog::EndDialog(int nResult) {
  m_nModalResult = nResult;
  m_bEndModal = true;
  if (m_hWnd != nullptr) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the modal loop
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  DoDataExchange(&dx);
  return dx.m_bFail ? FALSE : TRUE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::OnQuitRequest() { EndDialog(-1); }

void CDialog::QuitRequested(int exitCode) {
  m_bQuitReceived = true;
  m_nQuitCode = exitCode;
  OnQuitRequest();
}

bool CDialog::PassesToDefault(UINT, WPARAM, LPARAM) { return false; }

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  if (m_hWnd == nullptr) return FALSE;
  bool input = (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) ||
               (pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST);
  if (!input) return FALSE;
  if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd)) return FALSE;
  return ::IsDialogMessageW(m_hWnd, pMsg);
}

bool CDialog::RouteCommand(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (DispatchToMap(WM_COMMAND, wParam, lParam, result)) return true;
  // Commands no window handles go to the application object (the help command, for one).
  CWinApp* app = AfxGetApp();
  return app != nullptr && app->DispatchToMap(WM_COMMAND, wParam, lParam, result);
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (PassesToDefault(message, wParam, lParam)) return FALSE;
  LRESULT result = 0;
  bool handled =
      message == WM_COMMAND ? RouteCommand(wParam, lParam, &result) : DispatchToMap(message, wParam, lParam, &result);
  if (handled) {
    ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
  }
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDOK) {
        OnOK();
        return TRUE;
      }
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDCANCEL) {
        OnCancel();
        return TRUE;
      }
      break;
    case WM_SETCURSOR:
      if (CWinApp* app = AfxGetApp(); app != nullptr && app->IsWaitCursorShown()) {
        app->RestoreWaitCursor();
        ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      break;
    default: break;
  }
  return FALSE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CDialog*>(lParam);
    self->AttachPermanent(hWnd);
    return self->OnInitDialog();
  }
  auto* self = static_cast<CDialog*>(FromHandlePermanent(hWnd));
  if (self == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    self->OnWindowGone();
    return FALSE;
  }
  return self->HandleMessage(message, wParam, lParam);
}

BOOL AfxPreTranslateMessage(MSG* pMsg) {
  for (HWND h = pMsg->hwnd; h != nullptr; h = ::GetParent(h)) {
    if (CWnd* wnd = CWnd::FromHandlePermanent(h); wnd != nullptr && wnd->PreTranslateMessage(pMsg)) return TRUE;
    if ((::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD) == 0) break;  // stop at the top-level window
  }
  return FALSE;
}
