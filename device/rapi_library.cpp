#include "rapi_library.h"

#include <windows.h>

namespace talv {

namespace {

// Every function the installer calls, by the undecorated names the 32-bit and 64-bit RAPI.dll export.
constexpr const char* kRapiFunctions[] = {
    "CeRapiInitEx",    "CeRapiUninit",    "CeRapiGetError",         "CeCreateFile",          "CeReadFile",
    "CeWriteFile",     "CeCloseHandle",   "CeDeleteFile",           "CeCreateDirectory",     "CeGetLastError",
    "CeCreateProcess", "CeGetSystemInfo", "CeGetSpecialFolderPath", "CeGetStoreInformation",
};

bool LoadRapiLibrary() {
  // The same name, and so the same search, as the first bound call uses: what is found here is what it binds.
  const HMODULE rapi = ::LoadLibraryA("RAPI.dll");
  if (rapi == nullptr) return false;
  for (const char* function : kRapiFunctions)
    if (::GetProcAddress(rapi, function) == nullptr) return false;
  return true;
}

}  // namespace

bool RapiLibraryPresent() {
  static const bool present = LoadRapiLibrary();
  return present;
}

}  // namespace talv
