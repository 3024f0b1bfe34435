#include "TalveniaInstallerApp.h"

#include "DlgWizardInstaller.h"
#include "SingleInstance.h"

BEGIN_MESSAGE_MAP(CTalveniaInstallerApp, CWinApp)
  ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CTalveniaInstallerApp theApp;

BOOL CTalveniaInstallerApp::InitInstance() {
  // Two copies would share the fixed temporary package files; the second one steps aside.
  SingleInstance instance;
  if (!instance.IsFirst()) {
    instance.ReportAlreadyRunning();
    return FALSE;
  }
  AfxEnableControlContainer();
  CDlgWizardInstaller dlg(nullptr);
  m_pMainWnd = &dlg;
  dlg.DoModal();
  return FALSE;
}
