#include "DlgSubPageInstallation.h"

#include "resource.h"

BEGIN_MESSAGE_MAP(CDlgSubPageInstallation, CDlgSubPageBase)
END_MESSAGE_MAP()

CDlgSubPageInstallation::CDlgSubPageInstallation(CWnd* pParent) : CDlgSubPageBase(IDD_PAGE_INSTALLATION, pParent) {}

CDlgSubPageInstallation::~CDlgSubPageInstallation() = default;

void CDlgSubPageInstallation::DoDataExchange(CDataExchange* pDX) {
  CDlgSubPageBase::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_LOG, m_edtLog);
  DDX_Control(pDX, IDC_PROGRESS, m_prgProgress);
  DDX_Text(pDX, IDC_LOG, m_strLog);
}

void CDlgSubPageInstallation::OnEnterPage() {}

bool CDlgSubPageInstallation::CanLeavePage() { return true; }

void CDlgSubPageInstallation::OnLeavePage() {}

void CDlgSubPageInstallation::StartOrInterruptInstallation() {}
