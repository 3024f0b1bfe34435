// The application object: it runs the wizard as a modal dialog and ends the process when the wizard closes.
#pragma once
#include "Afx.h"

class CTalveniaInstallerApp : public CWinApp {
 public:
  CTalveniaInstallerApp() = default;
  BOOL InitInstance() override;

  DECLARE_MESSAGE_MAP()
};
