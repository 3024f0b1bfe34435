// The installation itself: every entry of the package archive onto the handheld, with the folders each
// needs, a progress position and a log line per entry, and a stop request honoured only between entries.
//
// It knows no window and no RAPI: what the user sees and answers goes through InstallCallback, and every
// device call through InstallDevice, so the wizard's page drives it on its worker thread and a test drives it
// with a device of its own. It runs on one thread from start to end; the callbacks run on that thread too.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "archive_reader.h"

namespace talv {

// The worker's result, as the frame receives it.
enum InstallResultCode : int {
  kInstallCompleted = 0,
  kInstallInterrupted = 1,
  kInstallFailed = 2,
};

// The device's error for a device path of 260 characters or more (ERROR_FILENAME_EXCED_RANGE), which is
// refused before the device is asked.
constexpr uint32_t kDevicePathTooLongError = 206;

// Why an installation failed, for the message the user must answer.
enum class InstallFailure {
  DamagedArchive,  // the archive is not what its header says
  DeviceWrite,     // a device file could not be created or written; the device's error comes with it
};

// The handheld, as the installation uses it.
class InstallDevice {
 public:
  virtual ~InstallDevice() = default;
  // Creates one folder level; true when the folder is there afterwards (created now or already there).
  virtual bool CreateFolder(const std::string& devicePath) = 0;
  // Copies byteCount bytes of source (fewer when it ends first) into a new device file, replacing one of that
  // name. Returns 0, or the device's error behind the failure. The source stands after the bytes read.
  virtual uint32_t CopyFile(FILE* source, uint32_t byteCount, const std::string& devicePath) = 0;
};

// What the installation shows, asks and reports.
class InstallCallback {
 public:
  virtual ~InstallCallback() = default;
  // The bar runs from 0 to entryCount + 1 and starts at 0.
  virtual void BeginProgress(int entryCount) = 0;
  virtual void SetPosition(int position) = 0;
  virtual void Log(const std::string& text) = 0;
  // Asked once before each entry (nextEntry counts from 0); true stops the installation there.
  virtual bool StopRequested(int nextEntry) = 0;
  // Tells the user why the installation cannot go on, and returns once the user has answered.
  virtual void ReportFailure(InstallFailure failure, uint32_t deviceError) = 0;
};

struct InstallOutcome {
  int result = kInstallFailed;  // an InstallResultCode
  uint32_t deviceError = 0;     // the device's error behind a failed copy, else 0
};

// Installs the archive that `archive` stands at the start of (read strictly in sequence, never closed here)
// under the four base folders. Each folder is created once per installation; a folder that could not be
// made is tried again by the next entry in it.
InstallOutcome RunInstallation(FILE* archive, const ArchiveBases& bases, InstallDevice& device,
                               InstallCallback& callback);

}  // namespace talv
