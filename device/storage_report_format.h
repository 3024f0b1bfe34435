// The storage report "\MSize.DFS" that the device agent writes in the handheld's root and the installer reads
// and deletes. Records of 528 bytes, no header, no trailer: the volume name as 260 UTF-16LE code units
// (terminated by a zero unit; the rest is filler), then the free megabytes as a little-endian IEEE-754 double.
// Header only and portable: the agent's Windows CE build includes it too.
#pragma once

#include <cstddef>

namespace talv {

constexpr char kStorageReportName[] = "MSize.DFS";
constexpr char kStorageReportPath[] = "\\MSize.DFS";
constexpr char16_t kStorageReportDevicePath[] = u"\\MSize.DFS";
constexpr std::size_t kReportNameUnits = 260;
constexpr std::size_t kReportNameBytes = kReportNameUnits * 2;
constexpr std::size_t kReportRecordBytes = kReportNameBytes + 8;

}  // namespace talv
