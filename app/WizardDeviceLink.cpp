// The frame's device services: opening the RAPI link and copying a host stream into a new device file.
#include <windows.h>
#include "DlgWizardInstaller.h"
#include "device_path_win.h"
#include "rapi.h"
#include "rapi_connection.h"

namespace {
constexpr DWORD kConnectionTimeoutMs = 5000;
constexpr uint32_t kTransferChunk = 4096;

DWORD TickNow() { return ::GetTickCount(); }
void RestoreWaitCursor() {
  if (CWinApp* app = AfxGetApp(); app != nullptr) app->RestoreWaitCursor();
}
}  // namespace

bool CDlgWizardInstaller::CheckDeviceConnection() {
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

bool CDlgWizardInstaller::CopyFileToDevice(FILE* source, uint32_t byteCount, const char* devicePath) {
  wchar_t path[talv::kDevicePathUnits];
  if (!talv::DevicePathToWide(devicePath, path)) return false;  // 260 characters or more: refused up front
  HANDLE file = CeCreateFile(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
  if (file == INVALID_HANDLE_VALUE || file == nullptr) return false;
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
      CeCloseHandle(file);
      return false;
    }
  }
  CeCloseHandle(file);
  return true;
}
