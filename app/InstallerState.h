// What the wizard has learnt and what the user has chosen, carried from page to page. Pages are rebuilt on
// every visit, so everything that must outlast a page lives here. Plain data: no window types.
#pragma once
#include <string>

struct InstallerState {
  unsigned char m_bProductA = 1;         // non-zero: Talvenia (product A); zero: Fendro (product B)
  unsigned char m_bLauncherInstall = 0;  // non-zero: installed into the launcher's tree and registered by the agent
  unsigned char m_bLicenseAccepted = 0;
  unsigned char m_bDeviceConnected = 0;
  double m_dRequiredMB = 16.0;
  std::string m_strWindowsDir;
  std::string m_strDocumentsDir;
  std::string m_strHelpDir;
  std::string m_strDesktopDir;
  std::string m_strStartupDir;
  std::string m_strProgramFilesDir;
  std::string m_strDestinationDir;  // root folder of the chosen storage area, ends with a backslash
};
