#include "SingleInstance.h"

#include "PreparationWindow.h"
#include "WizardMessages.h"

namespace {
const wchar_t kMutexName[] = L"Local\\TalveniaInstaller.TemporaryPackage";
const wchar_t kWizardCaption[] = L"Installatore Talvenia";
}  // namespace

SingleInstance::SingleInstance() {
  m_mutex.Reset(::CreateMutexW(nullptr, TRUE, kMutexName));
  m_bFirst = m_mutex.IsValid() && ::GetLastError() != ERROR_ALREADY_EXISTS;
}

void SingleInstance::ReportAlreadyRunning() const {
  // While the first copy prepares its package, its wizard exists but is not yet on screen: the window that
  // says so is the one to bring up.
  HWND running = ::FindWindowW(kPreparationWindowClass, nullptr);
  if (running == nullptr || !::IsWindowVisible(running))
    running = ::FindWindowW(reinterpret_cast<LPCWSTR>(WC_DIALOG), kWizardCaption);
  ::MessageBoxW(running, L"L'installazione \u00e8 gi\u00e0 in corso in un'altra finestra.", L"Installatore",
                MB_OK | MB_ICONEXCLAMATION);
  if (running != nullptr) ::SetForegroundWindow(running);
}
