#include "install_operation.h"

#include <set>

namespace talv {

namespace {

InstallOutcome Failed(InstallCallback& callback, InstallFailure failure, uint32_t deviceError = 0) {
  callback.ReportFailure(failure, deviceError);
  return InstallOutcome{kInstallFailed, deviceError};
}

// The device side of each entry: its folders, once per installation, then its data.
class EntryCopier {
 public:
  EntryCopier(FILE* archive, InstallDevice& device) : m_archive(archive), m_device(device) {}

  // 0 when the entry is on the device (or had nothing to go there), else the device's error.
  uint32_t Copy(const ArchiveEntry& entry, const EntryPlan& plan) {
    if (plan.pathTooLong) return kDevicePathTooLongError;
    // Each folder costs a round trip to the handheld, so each is made once.
    for (const std::string& folder : plan.folderLevels)
      if (m_foldersMade.count(folder) == 0 && m_device.CreateFolder(folder)) m_foldersMade.insert(folder);
    return m_device.CopyFile(m_archive, entry.dataSize, plan.devicePath);
  }

 private:
  FILE* m_archive;
  InstallDevice& m_device;
  std::set<std::string> m_foldersMade;
};

}  // namespace

InstallOutcome RunInstallation(FILE* archive, const ArchiveBases& bases, InstallDevice& device,
                               InstallCallback& callback) {
  PackageArchiveReader reader(archive);
  if (!reader.ReadHeader()) return Failed(callback, InstallFailure::DamagedArchive);
  const int entryCount = reader.EntryCount();
  callback.BeginProgress(entryCount);
  EntryCopier copier(archive, device);
  int position = 0;
  for (int i = 0; i < entryCount; ++i) {
    // Asked only between entries, so an interrupt never leaves a file cut in the middle.
    if (callback.StopRequested(i)) {
      callback.Log("\r\n\r\nInstallazione interrotta");
      return InstallOutcome{kInstallInterrupted, 0};
    }
    ArchiveEntry entry;
    if (!reader.ReadEntry(&entry)) return Failed(callback, InstallFailure::DamagedArchive);
    position = i;
    callback.SetPosition(position);
    const std::string name = entry.name.c_str();  // the name ends at a stray zero byte, as on the device
    if (!name.empty()) callback.Log("Copia di " + name + "\r\n");

    const EntryPlan plan = PlanEntry(entry, bases);
    if (!plan.tagged) {
      // Nothing to create or copy; its data, if any, is passed over so the next entry is read in step.
      if (!reader.SkipData(entry)) return Failed(callback, InstallFailure::DamagedArchive);
      continue;
    }
    // The log already names the file; the report says why it could not be written.
    if (const uint32_t error = copier.Copy(entry, plan); error != 0)
      return Failed(callback, InstallFailure::DeviceWrite, error);
    if (!reader.DataConsumed(entry)) return Failed(callback, InstallFailure::DamagedArchive);
  }
  // The bar takes one step past the last entry's position.
  callback.SetPosition(position + 1);
  callback.Log("\r\nInstallazione completata");
  return InstallOutcome{kInstallCompleted, 0};
}

}  // namespace talv
