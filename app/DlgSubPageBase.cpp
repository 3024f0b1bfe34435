#include "DlgSubPageBase.h"

#include "DlgWizardInstaller.h"
#include "default_folder_name.h"
#include "package_location.h"

BEGIN_MESSAGE_MAP(CDlgSubPageBase, CDialog)
END_MESSAGE_MAP()

CDlgSubPageBase::CDlgSubPageBase(UINT nTemplateID, CWnd* pParent)
    : CDialog(nTemplateID, pParent), m_nTemplateID(nTemplateID) {}

CDlgSubPageBase::~CDlgSubPageBase() = default;

CDlgWizardInstaller* CDlgSubPageBase::GetWizard() const {
  return static_cast<CDlgWizardInstaller*>(GetParent());
}

std::string CDlgSubPageBase::GetDefaultFolderName() const {
  std::string packageName;
  bool found = FindFirstPackage(ExecutableFolder(), &packageName);
  return talv::DefaultFolderName(found ? packageName.c_str() : nullptr, m_pState->m_bProductA != 0,
                                 m_pState->m_bLauncherInstall != 0);
}

void CDlgSubPageBase::OnEnterPage() {}

bool CDlgSubPageBase::CanLeavePage() { return true; }

void CDlgSubPageBase::OnLeavePage() {}

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
