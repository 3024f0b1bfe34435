#include "DlgSubPageBase.h"

BEGIN_MESSAGE_MAP(CDlgSubPageBase, CDialog)
END_MESSAGE_MAP()

CDlgSubPageBase::CDlgSubPageBase(UINT nTemplateID, CWnd* pParent)
    : CDialog(nTemplateID, pParent), m_nTemplateID(nTemplateID) {}

CDlgSubPageBase::~CDlgSubPageBase() = default;

void CDlgSubPageBase::SetContext(const PageContext& context) {
  m_pState = context.state;
  m_pPackage = context.package;
  m_pHost = context.host;
}

void CDlgSubPageBase::OnEnterPage() {}

bool CDlgSubPageBase::CanLeavePage() { return true; }

void CDlgSubPageBase::OnLeavePage() {}

bool CDlgSubPageBase::IsBusy() const { return false; }

void CDlgSubPageBase::RequestStop() {}

std::optional<int> CDlgSubPageBase::WorkerReport() const { return std::nullopt; }

void CDlgSubPageBase::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BOOL CDlgSubPageBase::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_ESCAPE || pMsg->wParam == VK_RETURN)) {
    // The frame decides what these keys do; the page dialog must never end itself.
    if (HWND parent = ::GetParent(m_hWnd); parent != nullptr)
      ::PostMessageW(parent, WM_KEYDOWN, pMsg->wParam, pMsg->lParam);
    return TRUE;
  }
  return CDialog::PreTranslateMessage(pMsg);
}
