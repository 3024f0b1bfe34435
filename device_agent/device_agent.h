// TalveniaGDFS: the small program that runs on the handheld. Without a switch it writes the storage report
// "\MSize.DFS"; with "-talvspec" or "-fenspec" it writes the product's launcher entry into "\ROMDisk2\INI\".
#pragma once

#include <cstddef>

#include "agent_platform.h"
#include "storage_report_format.h"

namespace agent {

enum class Product { Talvenia, Fendro };

// The storage report's layout is the installer's (storage_report_format.h): the name field is the find data's.
using talv::kReportNameBytes;
using talv::kReportRecordBytes;
static_assert(talv::kReportNameUnits == kMaxPath, "the report's name field is the find data's name field");
constexpr double kFreeSpaceUnknownMegabytes = -1.0;

// The command line is the argument text only (no program name); null counts as empty. Returns the exit code,
// which is always 0: the installer never reads it and the handheld must never be left waiting.
int RunDeviceAgent(Platform& platform, const char16_t* commandLine);

void WriteLauncherEntry(Platform& platform, Product product);
void WriteStorageReport(Platform& platform);

}  // namespace agent
