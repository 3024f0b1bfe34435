#include "PageFactory.h"

#include "WizardMessages.h"
#include "DlgSubPageConnection.h"
#include "DlgSubPageDestination.h"
#include "DlgSubPageEndInstall.h"
#include "DlgSubPageInstallation.h"
#include "DlgSubPageLicense.h"
#include "DlgSubPageReadyToInstall.h"
#include "DlgSubPageWelcome.h"

std::unique_ptr<CDlgSubPageBase> CreateWizardPage(int index, CWnd* parent) {
  switch (index) {
    case kPageWelcome: return std::make_unique<CDlgSubPageWelcome>(parent);
    case kPageLicense: return std::make_unique<CDlgSubPageLicense>(parent);
    case kPageConnection: return std::make_unique<CDlgSubPageConnection>(parent);
    case kPageDestination: return std::make_unique<CDlgSubPageDestination>(parent);
    case kPageReadyToInstall: return std::make_unique<CDlgSubPageReadyToInstall>(parent);
    case kPageInstallation: return std::make_unique<CDlgSubPageInstallation>(parent);
    case kPageEndInstall: return std::make_unique<CDlgSubPageEndInstall>(parent);
    default: return nullptr;
  }
}
