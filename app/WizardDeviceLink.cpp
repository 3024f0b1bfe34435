// The frame's device services: opening the RAPI link and copying a host stream into a new device file. The
// device calls themselves are device/'s; the frame adds the wait cursor and what the wizard keeps of them.
#include <windows.h>
#include "DlgWizardInstaller.h"
#include "device_operations.h"

namespace {
constexpr DWORD kConnectionTimeoutMs = 5000;

DWORD TickNow() { return ::GetTickCount(); }
void RestoreWaitCursor() {
  if (CWinApp* app = AfxGetApp(); app != nullptr) app->RestoreWaitCursor();
}
}  // namespace

bool CDlgWizardInstaller::CheckDeviceConnection() {
  bool connected = false;
  std::optional<int> quitCode;
  {
    talv::SituationScope checking(m_life, talv::Situation::Busy);
    talv::CloseDeviceLink();
    CWinApp* app = AfxGetApp();
    if (app != nullptr) app->BeginWaitCursor();
    // The wait stands in for the modal loop: Escape and Enter get the dialog's keyboard handling there too.
    connected =
        talv::OpenDeviceLink(kConnectionTimeoutMs, TickNow, RestoreWaitCursor, AfxPreTranslateMessage, &quitCode);
    m_state.m_bDeviceConnected = connected ? 1 : 0;
    if (app != nullptr) app->EndWaitCursor();
  }
  // A request that came while the check waited is judged again now: on the page the user was on it is carried
  // out (no installation runs while a check waits); inside a switch the switch serves it before its new page.
  if (quitCode.has_value()) QuitRequested(*quitCode);
  ServeHeldRequest();
  return connected;
}

bool CDlgWizardInstaller::CopyFileToDevice(FILE* source, uint32_t byteCount, const char* devicePath,
                                           uint32_t* deviceError) {
  const uint32_t error = talv::CopyFileToDevice(source, byteCount, devicePath);
  if (deviceError != nullptr) *deviceError = error;
  return error == 0;
}
