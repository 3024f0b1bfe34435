#include "device_operations.h"

#include <cstring>

#include "device_path_win.h"
#include "rapi_library.h"
#include "storage_survey.h"
#include "storage_survey_destination.h"

namespace talv {

namespace {

constexpr WORD kProcessorArm = 5;  // PROCESSOR_ARCHITECTURE_ARM
constexpr uint32_t kTransferChunk = 4096;
// What a write reports when the device took fewer bytes than it was given, with success.
constexpr uint32_t kShortWriteError = ERROR_WRITE_FAULT;

// Reads until count bytes have come or the file ends; the number of bytes read.
DWORD ReadUpTo(HANDLE file, unsigned char* buffer, DWORD count) {
  DWORD total = 0;
  while (total < count) {
    DWORD got = 0;
    if (!CeReadFile(file, buffer + total, count - total, &got, nullptr) || got == 0) break;
    total += got;
  }
  return total;
}

}  // namespace

uint32_t FailedCallError() {
  if (FAILED(CeRapiGetError())) return kLinkLostError;
  const DWORD deviceError = CeGetLastError();
  return deviceError != 0 ? deviceError : kUnnamedDeviceError;
}

bool FailedWith(uint32_t deviceError) { return SUCCEEDED(CeRapiGetError()) && CeGetLastError() == deviceError; }

void CloseDeviceLink() {
  if (RapiLibraryPresent()) CeRapiUninit();
}

bool OpenDeviceLink(DWORD timeoutMs, TickCountFn tickCount, void (*onWake)(), BOOL (*preTranslate)(MSG*),
                    std::optional<int>* quitCode) {
  if (!RapiLibraryPresent()) return false;
  RAPIINIT init = {};
  init.cbSize = sizeof init;  // the record of this build's architecture: RAPI.dll refuses any other size
  init.heRapiInit = nullptr;
  init.hrRapiInit = 0;
  if (FAILED(CeRapiInitEx(&init))) return false;
  if (WaitForRapiAnswer(init.heRapiInit, &init.hrRapiInit, timeoutMs, tickCount, onWake, preTranslate, quitCode) ==
      RapiWaitResult::Answered)
    return true;
  CeRapiUninit();
  return false;
}

UniqueDeviceHandle OpenDeviceFileForReading(const std::string& devicePath) {
  wchar_t path[kDevicePathUnits];
  if (!RapiLibraryPresent() || !DevicePathToWide(devicePath.c_str(), path)) return UniqueDeviceHandle();
  return UniqueDeviceHandle(
      CeCreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::vector<unsigned char> ReadDeviceFile(HANDLE file) {
  std::vector<unsigned char> bytes;
  unsigned char buffer[kTransferChunk];
  for (DWORD got; (got = ReadUpTo(file, buffer, sizeof buffer)) > 0;) bytes.insert(bytes.end(), buffer, buffer + got);
  return bytes;
}

bool DeviceFileHolds(const std::string& devicePath, const void* bytes, std::size_t size) {
  const UniqueDeviceHandle file = OpenDeviceFileForReading(devicePath);
  if (!file.IsValid()) return false;
  const auto* expected = static_cast<const unsigned char*>(bytes);
  unsigned char buffer[kTransferChunk];
  std::size_t compared = 0;
  for (;;) {
    const DWORD got = ReadUpTo(file.Get(), buffer, sizeof buffer);
    if (got == 0) return compared == size;
    if (got > size - compared || std::memcmp(buffer, expected + compared, got) != 0) return false;
    compared += got;
  }
}

uint32_t CopyFileToDevice(FILE* source, uint32_t byteCount, const std::string& devicePath) {
  if (!RapiLibraryPresent()) return kLinkLostError;
  wchar_t path[kDevicePathUnits];
  if (!DevicePathToWide(devicePath.c_str(), path)) return ERROR_FILENAME_EXCED_RANGE;  // 260+ characters
  UniqueDeviceHandle file(
      CeCreateFile(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return FailedCallError();
  if (source == nullptr) return 0;
  unsigned char buffer[kTransferChunk];
  uint32_t copied = 0;
  for (;;) {
    const uint32_t chunk = byteCount - copied < kTransferChunk ? byteCount - copied : kTransferChunk;
    const size_t n = chunk == 0 ? 0 : fread(buffer, 1, chunk, source);
    copied += static_cast<uint32_t>(n);
    if (n == 0) return 0;
    DWORD written = 0;
    // A short write is a failed write: the device file would silently miss bytes. The error is taken before
    // the close, which would overwrite it.
    if (!CeWriteFile(file.Get(), buffer, static_cast<DWORD>(n), &written, nullptr)) return FailedCallError();
    if (written != n) return kShortWriteError;
  }
}

void DeleteDeviceFile(const std::string& devicePath) {
  wchar_t path[kDevicePathUnits];
  if (RapiLibraryPresent() && DevicePathToWide(devicePath.c_str(), path)) CeDeleteFile(path);
}

bool DeleteDeviceProgram(const std::string& devicePath, DWORD waitMs) {
  constexpr DWORD kPauseMs = 50;
  wchar_t path[kDevicePathUnits];
  if (!RapiLibraryPresent() || !DevicePathToWide(devicePath.c_str(), path)) return false;
  for (DWORD waited = 0;; waited += kPauseMs) {
    if (CeDeleteFile(path)) return true;
    const DWORD error = FailedCallError();
    if (error == ERROR_FILE_NOT_FOUND) return true;
    const bool inUse = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
    if (!inUse || waited >= waitMs) return false;
    ::Sleep(kPauseMs);
  }
}

bool CreateDeviceFolder(const std::string& folder) {
  wchar_t path[kDevicePathUnits];
  if (!RapiLibraryPresent() || !DevicePathToWide(folder.c_str(), path)) return false;
  return CeCreateDirectory(path, nullptr) || FailedWith(ERROR_ALREADY_EXISTS);
}

CreateFolderResult CreateDeviceFolderLevels(const std::string& folder) {
  const std::vector<std::string> levels = FolderLevels(folder);
  if (levels.empty() || !RapiLibraryPresent()) return CreateFolderResult::Failed;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    wchar_t path[kDevicePathUnits];
    // A level too long for the device fails on its own; the error of an earlier level must not speak for it.
    if (!DevicePathToWide(levels[i].c_str(), path)) return CreateFolderResult::Failed;
    const bool created = CeCreateDirectory(path, nullptr) != FALSE;
    if (i + 1 < levels.size()) continue;  // levels above the last may well exist already
    if (created) return CreateFolderResult::Created;
    return FailedWith(ERROR_ALREADY_EXISTS) ? CreateFolderResult::AlreadyExists : CreateFolderResult::Failed;
  }
  return CreateFolderResult::Failed;
}

bool RunWriteTest(const std::string& rootFolder) {
  static const char kProbe[4] = {'1', '2', '3', '4'};
  if (!RapiLibraryPresent()) return false;
  for (int index = 0; index < kWriteTestNameCount; ++index) {
    wchar_t path[kDevicePathUnits];
    if (!DevicePathToWide((rootFolder + WriteTestFileName(index)).c_str(), path)) return false;
    // CREATE_NEW: a file of this name that is already there is never opened, so never overwritten or deleted.
    UniqueDeviceHandle file(
        CeCreateFile(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
      const DWORD error = FailedCallError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return false;
    }
    DWORD written = 0;
    const bool wrote = CeWriteFile(file.Get(), kProbe, sizeof kProbe, &written, nullptr) && written == sizeof kProbe;
    file.Reset();
    CeDeleteFile(path);
    return wrote;
  }
  return false;  // every name taken: nothing could be tried without touching a file of someone else
}

bool StartDeviceProgram(const std::string& devicePath, const wchar_t* commandLine) {
  wchar_t path[kDevicePathUnits];
  if (!RapiLibraryPresent() || !DevicePathToWide(devicePath.c_str(), path)) return false;
  PROCESS_INFORMATION started = {};
  if (!CeCreateProcess(path, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &started))
    return false;
  // Not waited for; the handles only have to go back to the device.
  const UniqueDeviceHandle process(started.hProcess), thread(started.hThread);
  return true;
}

bool DeviceProcessorIsArm() {
  if (!RapiLibraryPresent()) return false;
  SYSTEM_INFO info = {};
  CeGetSystemInfo(&info);
  return info.wProcessorArchitecture == kProcessorArm;
}

bool MainStoreFreeHundredths(int32_t* hundredths) {
  STORE_INFORMATION store = {};
  if (!RapiLibraryPresent() || !CeGetStoreInformation(&store)) return false;
  *hundredths = HundredthsOfMegabyteFromBytes(store.dwFreeSize);
  return true;
}

bool DeviceSpecialFolder(int csidl, std::string* out) {
  out->clear();
  if (!RapiLibraryPresent()) return false;
  wchar_t buffer[kDevicePathUnits] = {};
  const DWORD length = CeGetSpecialFolderPath(csidl, static_cast<DWORD>(kDevicePathUnits), buffer);
  if (length == 0) return false;
  buffer[kDevicePathUnits - 1] = 0;  // a device that filled the whole buffer gave no terminator
  return NarrowFromWide(buffer, kDevicePathUnits - 1, out) && !out->empty();
}

}  // namespace talv
