#include "DlgSubPageDestination.h"

#include "resource.h"

BEGIN_MESSAGE_MAP(CDlgSubPageDestination, CDlgSubPageBase)
END_MESSAGE_MAP()

CDlgSubPageDestination::CDlgSubPageDestination(CWnd* pParent) : CDlgSubPageBase(IDD_PAGE_DESTINATION, pParent) {}

void CDlgSubPageDestination::DoDataExchange(CDataExchange* pDX) {
  CDlgSubPageBase::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_NOTES, m_edtNotes);
  DDX_Control(pDX, IDC_REQUIRED_MEMORY, m_edtRequiredMemory);
  DDX_Control(pDX, IDC_FREE_MEMORY, m_edtFreeMemory);
  DDX_Control(pDX, IDC_DESTINATION, m_cmbDestination);
  DDX_Control(pDX, IDC_REFRESH_DESTINATION, m_btnRefresh);
}

void CDlgSubPageDestination::OnEnterPage() {}

bool CDlgSubPageDestination::CanLeavePage() { return true; }

void CDlgSubPageDestination::OnLeavePage() {}
