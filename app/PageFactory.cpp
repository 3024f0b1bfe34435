#include "PageFactory.h"

#include "WizardMessages.h"
#include "pages/DlgSubPageConnection.h"
#include "pages/DlgSubPageDestination.h"
#include "pages/DlgSubPageEndInstall.h"
#include "pages/DlgSubPageInstallation.h"
#include "pages/DlgSubPageLicense.h"
#include "pages/DlgSubPageReadyToInstall.h"
#include "pages/DlgSubPageWelcome.h"

CDlgSubPageBase* CreateWizardPage(int index, CWnd* parent) {
  switch (index) {
    case kPageWelcome: return new CDlgSubPageWelcome(parent);
    case kPageLicense: return new CDlgSubPageLicense(parent);
    case kPageConnection: return new CDlgSubPageConnection(parent);
    case kPageDestination: return new CDlgSubPageDestination(parent);
    case kPageReadyToInstall: return new CDlgSubPageReadyToInstall(parent);
    case kPageInstallation: return new CDlgSubPageInstallation(parent);
    case kPageEndInstall: return new CDlgSubPageEndInstall(parent);
    default: return nullptr;
  }
}
