// The device calls of the storage survey and of the destination step, over the process's one RAPI link.
// Paths are narrow device paths; each call converts them (ISO 8859-1) into the 260-unit buffer RAPI takes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "storage_survey.h"

namespace talv {

// Owner of a handle that RAPI gave out (a device file, process or thread): closed with CeCloseHandle.
class ScopedDeviceHandle {
 public:
  ScopedDeviceHandle() = default;
  explicit ScopedDeviceHandle(HANDLE h) : m_h(h) {}
  ~ScopedDeviceHandle() { Reset(); }
  ScopedDeviceHandle(const ScopedDeviceHandle&) = delete;
  ScopedDeviceHandle& operator=(const ScopedDeviceHandle&) = delete;
  ScopedDeviceHandle(ScopedDeviceHandle&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
  ScopedDeviceHandle& operator=(ScopedDeviceHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.m_h, nullptr));
    return *this;
  }
  HANDLE Get() const { return m_h; }
  bool IsValid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE h = nullptr);

 private:
  HANDLE m_h = nullptr;
};

// Opens an existing device file for reading (the probe of the agent, the storage report).
ScopedDeviceHandle OpenDeviceFileForReading(const std::string& devicePath);

// Reads whole report records up to the end of the file; a record cut short at the end is dropped.
std::vector<StorageReportRecord> ReadReportRecords(HANDLE report);

void DeleteDeviceFile(const std::string& devicePath);

// Whether the handheld's processor is ARM, the only kind the agent is built for.
bool DeviceProcessorIsArm();

// Starts a program on the handheld with no command line, without waiting for it.
bool StartDeviceProgram(const std::string& devicePath);

// Free space of the main store in hundredths of a megabyte; false when the device does not say.
bool MainStoreFreeHundredths(int32_t* hundredths);

// A special folder of the handheld (CSIDL value) as narrow text, without trailing backslash. False, with out
// empty, when the look-up fails or the path has no narrow form.
bool DeviceSpecialFolder(int csidl, std::string* out);

// Whether a file can be created and written in rootFolder. Only a file that this test creates is written and
// deleted: a "Test.dat" that is already there belongs to someone else, and the test takes another free name.
bool RunWriteTest(const std::string& rootFolder);

enum class CreateFolderResult { Created, AlreadyExists, Failed };

// Creates every level of folder (a full device path) from the top down; only the last level's outcome counts.
CreateFolderResult CreateDeviceFolderLevels(const std::string& folder);

}  // namespace talv
