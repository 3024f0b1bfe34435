// libFuzzer: any bytes as a storage report. Every record must decode to a bounded name and a list value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "storage_survey.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto records = talv::ParseStorageReport(data, size);
  if (records.size() != size / talv::kReportRecordBytes) std::abort();
  for (const auto& record : records) {
    if (record.name.size() >= talv::kReportNameUnits + 1) std::abort();
    (void)talv::HundredthsOfMegabyte(record.freeMegabytes);
    if (talv::IsOfferedVolume(record, true) && !talv::IsLauncherVolume(record.name)) std::abort();
    (void)talv::IsUsableVolumeName(record.name);
  }
  return 0;
}
