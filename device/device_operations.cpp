#include "storage_survey_win.h"

#include "device_path_win.h"
#include "rapi.h"
#include "storage_survey_destination.h"

namespace talv {

namespace {

constexpr WORD kProcessorArm = 5;  // PROCESSOR_ARCHITECTURE_ARM

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

void ScopedDeviceHandle::Reset(HANDLE h) {
  if (IsValid()) CeCloseHandle(m_h);
  m_h = h;
}

ScopedDeviceHandle OpenDeviceFileForReading(const std::string& devicePath) {
  wchar_t path[kDevicePathUnits];
  if (!DevicePathToWide(devicePath.c_str(), path)) return ScopedDeviceHandle();
  return ScopedDeviceHandle(
      CeCreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::vector<StorageReportRecord> ReadReportRecords(HANDLE report) {
  std::vector<StorageReportRecord> records;
  unsigned char record[kReportRecordBytes];
  while (ReadUpTo(report, record, static_cast<DWORD>(kReportRecordBytes)) == kReportRecordBytes)
    records.push_back(DecodeReportRecord(record));
  return records;
}

void DeleteDeviceFile(const std::string& devicePath) {
  wchar_t path[kDevicePathUnits];
  if (DevicePathToWide(devicePath.c_str(), path)) CeDeleteFile(path);
}

bool DeviceProcessorIsArm() {
  SYSTEM_INFO info = {};
  CeGetSystemInfo(&info);
  return info.wProcessorArchitecture == kProcessorArm;
}

bool StartDeviceProgram(const std::string& devicePath) {
  wchar_t path[kDevicePathUnits];
  if (!DevicePathToWide(devicePath.c_str(), path)) return false;
  PROCESS_INFORMATION started = {};
  if (!CeCreateProcess(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &started))
    return false;
  // Not waited for; the handles only have to go back to the device.
  ScopedDeviceHandle process(started.hProcess), thread(started.hThread);
  return true;
}

bool MainStoreFreeHundredths(int32_t* hundredths) {
  STORE_INFORMATION store = {};
  if (!CeGetStoreInformation(&store)) return false;
  *hundredths = HundredthsOfMegabyteFromBytes(store.dwFreeSize);
  return true;
}

bool DeviceSpecialFolder(int csidl, std::string* out) {
  out->clear();
  wchar_t buffer[kDevicePathUnits] = {};
  const DWORD length = CeGetSpecialFolderPath(csidl, static_cast<DWORD>(kDevicePathUnits), buffer);
  if (length == 0) return false;
  buffer[kDevicePathUnits - 1] = 0;  // a device that filled the whole buffer gave no terminator
  return NarrowFromWide(buffer, kDevicePathUnits - 1, out) && !out->empty();
}

bool RunWriteTest(const std::string& rootFolder) {
  static const char kProbe[4] = {'1', '2', '3', '4'};
  for (int index = 0; index < kWriteTestNameCount; ++index) {
    wchar_t path[kDevicePathUnits];
    if (!DevicePathToWide((rootFolder + WriteTestFileName(index)).c_str(), path)) return false;
    // CREATE_NEW: a file of this name that is already there is never opened, so never overwritten or deleted.
    ScopedDeviceHandle file(
        CeCreateFile(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
      const DWORD error = CeGetLastError();
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

CreateFolderResult CreateDeviceFolderLevels(const std::string& folder) {
  const std::vector<std::string> levels = FolderLevels(folder);
  if (levels.empty()) return CreateFolderResult::Failed;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    wchar_t path[kDevicePathUnits];
    // A level too long for the device fails on its own; the error of an earlier level must not speak for it.
    if (!DevicePathToWide(levels[i].c_str(), path)) return CreateFolderResult::Failed;
    const bool created = CeCreateDirectory(path, nullptr) != FALSE;
    if (i + 1 < levels.size()) continue;  // levels above the last may well exist already
    if (created) return CreateFolderResult::Created;
    return CeGetLastError() == ERROR_ALREADY_EXISTS ? CreateFolderResult::AlreadyExists : CreateFolderResult::Failed;
  }
  return CreateFolderResult::Failed;
}

}  // namespace talv
