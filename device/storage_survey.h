// The storage report that the device agent leaves in the handheld's root folder, and the destination entries
// made from it. Portable: the bytes are read elsewhere, here they only become names and free-space figures.
// The report's layout is storage_report_format.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "storage_report_format.h"

namespace talv {

struct StorageReportRecord {
  std::string name;  // narrow text; a code unit above 255 shows as '?'
  double freeMegabytes = 0.0;
};

// Decodes one record from its 528 bytes.
StorageReportRecord DecodeReportRecord(const unsigned char (&bytes)[kReportRecordBytes]);

// Every whole record of a report. Bytes after the last whole record (a record cut short) are ignored: a
// truncated name or free-space figure would show a volume with a made-up size.
std::vector<StorageReportRecord> ParseStorageReport(const unsigned char* bytes, std::size_t size);

// Free space as the destination list keeps it: megabytes x 100, truncated toward zero, in a signed 32-bit
// value. Figures beyond the 32-bit range are clamped; a figure that is not a number gives -1, which the page
// shows as an area whose reading failed.
int32_t HundredthsOfMegabyte(double megabytes);

// Free space of the main store in hundredths of a megabyte, from its free bytes.
int32_t HundredthsOfMegabyteFromBytes(uint32_t freeBytes);

// The one volume a launcher installation may use: "ROMDisk", in any ASCII letter case.
bool IsLauncherVolume(const std::string& name);

// Whether a volume name from the report can name a folder in the handheld's root: the name rule of every device
// name (device_name.h). A '?' that stands for a character without a narrow form, a separator, a reserved device
// name or an empty, "." or ".." name would address something else than the volume, or nothing.
bool IsUsableVolumeName(const std::string& name);

// Whether a record is offered as a destination: every record, or in a launcher installation only ROMDisk.
// Records without a name, or whose name holds a path separator, are never offered.
bool IsOfferedVolume(const StorageReportRecord& record, bool launcherInstall);

}  // namespace talv
