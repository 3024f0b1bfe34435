// Messages and results shared by the wizard frame and its pages.
#pragma once
#include <windows.h>

// Sent by the installation worker to the frame: wParam = InstallResult, lParam = 0.
constexpr UINT WM_INSTALLATION_FINISHED = WM_USER + 1;

enum InstallResult : int {
  InstallCompleted = 0,
  InstallInterrupted = 1,
  InstallFailed = 2,
};

// Index of each page, which is also its row in the step list.
enum WizardPageIndex : int {
  kPageWelcome = 0,
  kPageLicense = 1,
  kPageConnection = 2,
  kPageDestination = 3,
  kPageReadyToInstall = 4,
  kPageInstallation = 5,
  kPageEndInstall = 6,
  kPageCount = 7,
};

// Message-box captions.
constexpr const char kCaptionInstaller[] = "Installatore";
constexpr const char kCaptionQuestion[] = "Installazione";
constexpr const char kCaptionError[] = "Errore";
constexpr const char kCaptionWarning[] = "Attenzione";

// The device agent's home on the handheld.
constexpr const char kDeviceAgentPath[] = "\\Windows\\TalveniaGDFS.exe";
