// What a wizard test sets up around the program: a private temporary folder, an emulated handheld and a
// package beside the test program, all removed again afterwards.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

#include "package_writer.h"
#include "scratch_dir.h"

namespace ui_test {

// A folder of its own under the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& prefix);
  const std::wstring& Path() const { return m_path; }

 private:
  talv_test::ScratchDir m_scratch;
  std::wstring m_path;
};

bool RemoveTree(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool ReadWholeFile(const std::wstring& path, std::string* bytes);
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
std::wstring TestProgramFolder();

struct VolumeDescription {
  std::string name;
  uint64_t size = 64ull << 20;
  bool readOnly = false;
};

// The emulated handheld's device.ini (see the emulator's README).
struct DeviceDescription {
  bool connected = true;
  int answerMs = 20;
  long initResult = 0;
  int processor = 5;  // ARM
  uint64_t storeSize = 32ull << 20;
  std::string programFiles = "\\Programmi";
  std::string personal = "\\Documenti";
  std::string desktop = "\\Windows\\Desktop";
  std::string startup = "\\Windows\\Avvio";
  std::string failAfterBytes;       // empty: never
  bool runPrograms = true;          // false: programs started on the handheld are only recorded
  bool trace = false;               // true: trace.log in the folder gets one line per RAPI call
  uint64_t linkBytesPerSecond = 0;  // 0: no limit
  uint64_t callLatencyUs = 0;
  std::string dropAtPath;        // empty: never; else the link drops where this path would be created
  bool dropClearsError = false;  // true: the handheld's last error is 0 when the link drops
  bool perThread = false;        // true: every thread must start RAPI itself
  std::vector<VolumeDescription> volumes = {
      {"ROMDisk", 64ull << 20, false}, {"ROMDisk2", 16ull << 20, false}, {"Storage Card", 1ull << 30, false}};
};

// Writes device.ini and the root folder (with \Windows and \ROMDisk2\INI) into folder.
bool WriteDevice(const std::wstring& folder, const DeviceDescription& handheld);
// The host path of a device path ("\Windows\x" -> folder\root\Windows\x).
std::wstring DeviceHostPath(const std::wstring& folder, const std::string& devicePath);

using talv_test::PackageEntry;

// The archive bytes of a package (before compression), through the one package writer.
using talv_test::ArchiveBytes;
// Writes a package file: archive bytes as one zlib stream.
bool WritePackage(const std::wstring& path, const std::string& archiveBytes);
// Writes a package whose archive holds one [PRG] entry "big.bin" of dataBytes zeros, deflated as it streams:
// a package of a few megabytes that takes its time to prepare.
bool WriteZerosPackage(const std::wstring& path, unsigned char productFlag, uint32_t dataBytes);

}  // namespace ui_test
