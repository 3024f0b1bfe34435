#include "DlgSubPageBase.h"

#include "DlgWizardInstaller.h"
#include "default_folder_name.h"
#include "latin1_text.h"
#include "package_location.h"

BEGIN_MESSAGE_MAP(CDlgSubPageBase, CDialog)
END_MESSAGE_MAP()

CDlgSubPageBase::CDlgSubPageBase(UINT nTemplateID, CWnd* pParent)
    : CDialog(nTemplateID, pParent), m_nTemplateID(nTemplateID) {}

CDlgSubPageBase::~CDlgSubPageBase() = default;

CDlgWizardInstaller* CDlgSubPageBase::GetWizard() const { return static_cast<CDlgWizardInstaller*>(GetParent()); }

std::string CDlgSubPageBase::GetDefaultFolderName() const {
  // The package's name becomes part of a device path, which is narrow text: a character outside ISO 8859-1
  // shows as '?', which no device folder name may hold, so such a name is refused where the folder is made.
  std::wstring packageName;
  const bool found = FindFirstPackage(ExecutableFolder(), &packageName);
  return talv::DefaultFolderName(found ? base::Narrow(packageName).c_str() : nullptr, m_pState->m_bProductA != 0,
                                 m_pState->m_bLauncherInstall != 0);
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
