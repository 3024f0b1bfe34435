// Builds the page object of a wizard step; the frame owns what it returns.
#pragma once
class CDlgSubPageBase;
class CWnd;

CDlgSubPageBase* CreateWizardPage(int index, CWnd* parent);
