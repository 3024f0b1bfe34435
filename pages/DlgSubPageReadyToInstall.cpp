#include "DlgSubPageReadyToInstall.h"

#include "resource.h"

BEGIN_MESSAGE_MAP(CDlgSubPageReadyToInstall, CDlgSubPageBase)
END_MESSAGE_MAP()

CDlgSubPageReadyToInstall::CDlgSubPageReadyToInstall(CWnd* pParent) : CDlgSubPageBase(IDD_PAGE_READY, pParent) {}

void CDlgSubPageReadyToInstall::DoDataExchange(CDataExchange* pDX) {
  CDlgSubPageBase::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_DESTINATION_FOLDER, m_stcDestination);
}

void CDlgSubPageReadyToInstall::OnEnterPage() {
  // The install folder without its final backslash; the destination already ends with one.
  m_stcDestination.SetWindowText(m_pState->m_strDestinationDir + GetDefaultFolderName());
}

bool CDlgSubPageReadyToInstall::CanLeavePage() { return true; }
