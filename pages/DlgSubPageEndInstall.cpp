#include "DlgSubPageEndInstall.h"

#include "resource.h"

BEGIN_MESSAGE_MAP(CDlgSubPageEndInstall, CDlgSubPageBase)
END_MESSAGE_MAP()

CDlgSubPageEndInstall::CDlgSubPageEndInstall(CWnd* pParent) : CDlgSubPageBase(IDD_PAGE_END, pParent) {}
