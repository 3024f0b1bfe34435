// TalveniaGDFS: the small program that runs on the handheld. Without a switch it writes the storage report
// "\MSize.DFS"; with "-talvspec" or "-fenspec" it writes the product's launcher entry into "\ROMDisk2\INI\".
#pragma once

#include <cstddef>

#include "agent_platform.h"

namespace agent {

enum class Product { Talvenia, Fendro };

// The storage report: records of a 520-byte UTF-16LE name field and a little-endian double of free megabytes.
constexpr std::size_t kReportNameBytes = 2 * kMaxPath;
constexpr std::size_t kReportRecordBytes = kReportNameBytes + 8;
constexpr double kFreeSpaceUnknownMegabytes = -1.0;

extern const char16_t kStorageReportPath[];

// The command line is the argument text only (no program name); null counts as empty. Returns the exit code,
// which is always 0: the installer never reads it and the handheld must never be left waiting.
int RunDeviceAgent(Platform& platform, const char16_t* commandLine);

void WriteLauncherEntry(Platform& platform, Product product);
void WriteStorageReport(Platform& platform);

}  // namespace agent
