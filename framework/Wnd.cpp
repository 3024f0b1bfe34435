#include "Wnd.h"

#include "Gdi.h"
#include "latin1_text.h"
#include "WinApp.h"

namespace {
const wchar_t kOwnerProperty[] = L"TalveniaCWnd";
}

CWnd::~CWnd() {
  if (m_bOwnsWindow && m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
  if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  if (hWnd == nullptr) return nullptr;
  return static_cast<CWnd*>(::GetPropW(hWnd, kOwnerProperty));
}

void CWnd::AttachPermanent(HWND hWnd) {
  m_hWnd = hWnd;
  m_bOwnsWindow = true;
  ::SetPropW(hWnd, kOwnerProperty, this);
}

void CWnd::OnWindowGone() {
  if (m_hWnd != nullptr) ::RemovePropW(m_hWnd, kOwnerProperty);
  m_hWnd = nullptr;
  m_bOwnsWindow = false;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr) return FALSE;
  HWND h = m_hWnd;
  if (!m_bOwnsWindow) m_hWnd = nullptr;
  return ::DestroyWindow(h);
}

CWnd* CWnd::GetParent() const { return FromHandlePermanent(::GetParent(m_hWnd)); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::SetWindowText(const char* text) { ::SetWindowTextW(m_hWnd, base::Widen(text).c_str()); }

std::string CWnd::GetWindowText() const {
  int length = ::GetWindowTextLengthW(m_hWnd);
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  int copied = ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
  buffer.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return base::Narrow(buffer);
}

void CWnd::ScreenToClient(RECT* rect) const { ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2); }

void CWnd::SetFont(CFont* font, BOOL bRedraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font != nullptr ? font->GetSafeHandle() : nullptr), bRedraw);
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
  return ::MessageBoxW(m_hWnd, base::Widen(text).c_str(), base::Widen(caption).c_str(), type);
}
