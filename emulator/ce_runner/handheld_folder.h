// The emulated handheld's file system as the native ARM runner sees it: <device folder>/root on a Linux host,
// with the device model of the emulator's RAPI side (device.ini volumes, case-insensitive names, free space
// per volume and for the main store). Device paths are UTF-16; host names are UTF-8.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "device_volumes.h"

namespace ce {

// Windows CE error codes the runner answers with.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorWriteProtect = 19;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorDiskFull = 112;
constexpr uint32_t kErrorFilenameTooLong = 206;

constexpr int kMainStore = -1;  // the area of a path outside every volume

struct ResolvedPath {
  std::string host;     // host path of the entry (existing or to be created)
  bool exists = false;  // the last component names an existing entry
  bool directory = false;
  int area = kMainStore;  // index into volumes(), or kMainStore
};

struct FolderEntry {
  std::u16string name;  // as the handheld shows it
  bool directory = false;
  bool volume = false;  // a storage volume of device.ini, mounted in the root folder
  uint64_t size = 0;
  int64_t modifiedUnixSeconds = 0;
};

class HandheldFolder {
 public:
  // Reads <folder>/device.ini (as the emulator reads it) and creates root/ and every volume's folder when
  // missing. False with the reason when the folder cannot serve as a handheld.
  bool Open(const std::string& folder, std::string* error);

  const std::vector<emu::Volume>& volumes() const { return layout_.volumes; }
  emu::ArmCpu cpu() const { return layout_.cpu; }

  // 0, or the error that refuses the device path: the emulator's rules (must start with '\', shorter than 260
  // characters, no escape from root/), names outside ISO 8859-1 refused, each existing component matched
  // without regard to case, a missing folder on the way (3), a symbolic link on the way (5).
  uint32_t Resolve(const char16_t* devicePath, ResolvedPath* out) const;

  // The entries of a folder in the handheld's order: in the root folder the volumes of device.ini first, in
  // their order, then everything else by name (ordinal, ignoring case); elsewhere by name.
  std::vector<FolderEntry> List(const ResolvedPath& folder, bool isRoot) const;

  bool ReadOnly(int area) const { return area != kMainStore && layout_.volumes[area].readOnly; }
  uint64_t Capacity(int area) const { return area == kMainStore ? layout_.storeSize : layout_.volumes[area].size; }
  // Bytes stored in an area: measured on the disk the first time, then kept up to date by Adjust.
  uint64_t UsedBytes(int area);
  uint64_t FreeBytes(int area);
  void Adjust(int area, int64_t delta);

 private:
  std::string root_;
  emu::DeviceLayout layout_;
  std::map<int, uint64_t> used_;
};

// Without regard to case: ASCII and ISO 8859-1 letters.
bool SameNameNoCase(const std::u16string& a, const std::u16string& b);
// The handheld's wildcard match ('*', '?'), without regard to case; "*.*" matches every name.
bool WildcardMatch(const std::u16string& pattern, const std::u16string& name);

std::string Utf8(const std::u16string& text);

}  // namespace ce
