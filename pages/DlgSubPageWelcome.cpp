#include "DlgSubPageWelcome.h"

#include "resource.h"

BEGIN_MESSAGE_MAP(CDlgSubPageWelcome, CDlgSubPageBase)
END_MESSAGE_MAP()

CDlgSubPageWelcome::CDlgSubPageWelcome(CWnd* pParent) : CDlgSubPageBase(IDD_PAGE_WELCOME, pParent) {}
