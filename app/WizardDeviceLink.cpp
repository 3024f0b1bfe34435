// The frame's device services: opening the RAPI link and copying a host stream into a new device file.
#include <windows.h>
#include "DlgWizardInstaller.h"
#include "FlagRaised.h"
#include "device_path_win.h"
#include "rapi.h"
#include "rapi_connection.h"

namespace {
constexpr DWORD kConnectionTimeoutMs = 5000;
constexpr uint32_t kTransferChunk = 4096;

// Per thread: the destination page copies the agent on the interface thread, the installation on its worker.
thread_local uint32_t t_lastCopyError = 0;

bool CopyFailed(uint32_t deviceError) {
  t_lastCopyError = deviceError;
  return false;
}

DWORD TickNow() { return ::GetTickCount(); }
void RestoreWaitCursor() {
  if (CWinApp* app = AfxGetApp(); app != nullptr) app->RestoreWaitCursor();
}
}  // namespace

bool CDlgWizardInstaller::CheckDeviceConnection() {
  FlagRaised checking(m_bCheckingDevice);
  CeRapiUninit();
  CWinApp* app = AfxGetApp();
  if (app != nullptr) app->BeginWaitCursor();

  RAPIINIT init = {};
  init.cbSize = 12;
  init.heRapiInit = nullptr;
  init.hrRapiInit = 0;
  bool connected = false;
  if (SUCCEEDED(CeRapiInitEx(&init))) {
    connected = WaitForRapiAnswer(init.heRapiInit, &init.hrRapiInit, kConnectionTimeoutMs, TickNow,
                                  RestoreWaitCursor) == RapiWaitResult::Answered;
    if (!connected) CeRapiUninit();
  }
  m_state.m_bDeviceConnected = connected ? 1 : 0;
  if (app != nullptr) app->EndWaitCursor();
  return connected;
}

uint32_t CDlgWizardInstaller::GetLastCopyError() { return t_lastCopyError; }

bool CDlgWizardInstaller::CopyFileToDevice(FILE* source, uint32_t byteCount, const char* devicePath) {
  t_lastCopyError = 0;
  wchar_t path[talv::kDevicePathUnits];
  if (!talv::DevicePathToWide(devicePath, path)) return CopyFailed(ERROR_FILENAME_EXCED_RANGE);  // 260+ characters
  HANDLE file = CeCreateFile(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
  if (file == INVALID_HANDLE_VALUE || file == nullptr) return CopyFailed(CeGetLastError());
  if (source == nullptr) {
    CeCloseHandle(file);
    return true;
  }
  unsigned char buffer[kTransferChunk];
  uint32_t copied = 0;
  for (;;) {
    uint32_t chunk = byteCount - copied < kTransferChunk ? byteCount - copied : kTransferChunk;
    size_t n = chunk == 0 ? 0 : fread(buffer, 1, chunk, source);
    copied += static_cast<uint32_t>(n);
    if (n == 0) break;
    DWORD written = 0;
    // A short write is a failed write: the device file would silently miss bytes.
    if (!CeWriteFile(file, buffer, static_cast<DWORD>(n), &written, nullptr) || written != n) {
      uint32_t deviceError = CeGetLastError();
      if (deviceError == 0) deviceError = ERROR_WRITE_FAULT;  // a short write reports no error of its own
      CeCloseHandle(file);
      return CopyFailed(deviceError);
    }
  }
  CeCloseHandle(file);
  return true;
}
