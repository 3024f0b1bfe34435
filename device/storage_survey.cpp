#include "storage_survey.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "device_name.h"
#include "device_path.h"

namespace talv {

namespace {

double LittleEndianDouble(const unsigned char* bytes) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | bytes[i];
  double value = 0.0;
  static_assert(sizeof value == sizeof bits, "IEEE-754 double expected");
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

StorageReportRecord DecodeReportRecord(const unsigned char (&bytes)[kReportRecordBytes]) {
  char16_t units[kReportNameUnits];
  for (std::size_t i = 0; i < kReportNameUnits; ++i)
    units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  StorageReportRecord record;
  record.name = NarrowFromUtf16Lenient(units, kReportNameUnits);
  record.freeMegabytes = LittleEndianDouble(bytes + kReportNameBytes);
  return record;
}

std::vector<StorageReportRecord> ParseStorageReport(const unsigned char* bytes, std::size_t size) {
  std::vector<StorageReportRecord> records;
  if (bytes == nullptr) return records;
  for (std::size_t offset = 0; size - offset >= kReportRecordBytes; offset += kReportRecordBytes) {
    unsigned char record[kReportRecordBytes];
    std::memcpy(record, bytes + offset, kReportRecordBytes);
    records.push_back(DecodeReportRecord(record));
  }
  return records;
}

int32_t HundredthsOfMegabyte(double megabytes) {
  const double hundredths = megabytes * 100.0;
  if (std::isnan(hundredths)) return -1;
  if (hundredths >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  if (hundredths <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(hundredths);  // truncates toward zero
}

int32_t HundredthsOfMegabyteFromBytes(uint32_t freeBytes) {
  return HundredthsOfMegabyte(static_cast<double>(freeBytes) / 1024.0 / 1024.0);
}

bool IsLauncherVolume(const std::string& name) {
  static const char kLauncherVolume[] = "romdisk";
  if (name.size() != sizeof kLauncherVolume - 1) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (AsciiLower(name[i]) != kLauncherVolume[i]) return false;
  return true;
}

bool IsUsableVolumeName(const std::string& name) { return static_cast<bool>(JudgeNameLatin1(name)); }

bool IsOfferedVolume(const StorageReportRecord& record, bool launcherInstall) {
  // A name that is empty or holds a separator cannot be an entry of the root folder, and could pass for the
  // main store's entry, whose text is a path.
  if (record.name.empty() || record.name.find_first_of("\\/") != std::string::npos) return false;
  return !launcherInstall || IsLauncherVolume(record.name);
}

}  // namespace talv
