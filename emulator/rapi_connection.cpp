// The link itself and the handheld's facts: connection, last error, special folders, main store, processor.
#include "rapi.h"
#include "rapi_link.h"

using emu::Link;
using emu::SetCeError;

namespace {

const std::wstring* SpecialFolder(const emu::DeviceConfig& config, int folder) {
  switch (folder) {
    case 0x26: return config.hasProgramFiles ? &config.programFiles : nullptr;  // CSIDL_PROGRAM_FILES
    case 0x10: return &config.desktop;                                          // CSIDL_DESKTOPDIRECTORY
    case 0x07: return &config.startup;                                          // CSIDL_STARTUP
    case 0x05: return &config.personal;                                         // CSIDL_PERSONAL
    default: return nullptr;
  }
}

DWORD Clamp32(uint64_t value) { return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(value); }

}  // namespace

extern "C" {

HRESULT WINAPI CeRapiInitEx(RAPIINIT* pRapiInit) {
  Link& link = Link::Instance();
  const HRESULT result = link.Init(pRapiInit);
  // After Init: the device.ini that it has just read decides whether this call is traced.
  auto lock = link.Hold();
  link.Trace("CeRapiInitEx");
  return result;
}

HRESULT WINAPI CeRapiUninit(void) {
  Link& link = Link::Instance();
  {
    auto lock = link.Hold();
    link.Trace("CeRapiUninit");
  }
  return link.Uninit();
}

DWORD WINAPI CeGetLastError(void) { return emu::CeError(); }

HRESULT WINAPI CeRapiGetError(void) { return emu::RapiError(); }

DWORD WINAPI CeGetSpecialFolderPath(int nFolder, DWORD nBufferLength, LPWSTR lpBuffer) {
  Link& link = Link::Instance();
  auto lock = link.Hold();
  emu::PacedCall pace(link);
  link.Trace("CeGetSpecialFolderPath", emu::TraceHex(static_cast<DWORD>(nFolder)));
  if (!link.Usable()) return 0;
  const std::wstring* path = SpecialFolder(link.Config(), nFolder);
  if (path == nullptr || lpBuffer == nullptr) {
    SetCeError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (path->size() >= nBufferLength) {
    if (nBufferLength > 0) lpBuffer[0] = L'\0';
    SetCeError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  path->copy(lpBuffer, path->size());
  lpBuffer[path->size()] = L'\0';
  return static_cast<DWORD>(path->size());
}

BOOL WINAPI CeGetStoreInformation(LPSTORE_INFORMATION lpsi) {
  Link& link = Link::Instance();
  auto lock = link.Hold();
  emu::PacedCall pace(link);
  link.Trace("CeGetStoreInformation");
  if (!link.Usable()) return FALSE;
  if (lpsi == nullptr) {
    SetCeError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  lpsi->dwStoreSize = Clamp32(link.Config().storeSize);
  lpsi->dwFreeSize = Clamp32(link.FreeBytes(emu::kMainStore));
  return TRUE;
}

void WINAPI CeGetSystemInfo(LPSYSTEM_INFO lpSystemInfo) {
  Link& link = Link::Instance();
  auto lock = link.Hold();
  emu::PacedCall pace(link);
  link.Trace("CeGetSystemInfo");
  if (lpSystemInfo == nullptr) {
    SetCeError(ERROR_INVALID_PARAMETER);
    return;
  }
  *lpSystemInfo = SYSTEM_INFO{};
  if (!link.Usable()) return;
  const WORD processor = link.Config().processor;
  lpSystemInfo->wProcessorArchitecture = processor;
  lpSystemInfo->dwPageSize = 4096;
  lpSystemInfo->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(0x10000);
  lpSystemInfo->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(0x7FFFFFFF);
  lpSystemInfo->dwActiveProcessorMask = 1;
  lpSystemInfo->dwNumberOfProcessors = 1;
  lpSystemInfo->dwProcessorType = processor == PROCESSOR_ARCHITECTURE_ARM     ? 2577  // StrongARM
                                  : processor == PROCESSOR_ARCHITECTURE_INTEL ? 586
                                                                              : 0;
  lpSystemInfo->dwAllocationGranularity = 0x10000;
}

}  // extern "C"
