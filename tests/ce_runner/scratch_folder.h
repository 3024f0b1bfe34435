// A throw-away device folder for one native test: device.ini and root/ under a fresh temporary folder,
// removed with everything in it at the end. Device paths are written with '\' as on the handheld.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device_folder.h"

namespace ce_test {

class ScratchFolder {
 public:
  ScratchFolder();

  const std::string& path() const { return path_; }
  std::string Host(const std::string& devicePath) const;  // <folder>/root/... (device case as given)

  void WriteIni(const std::string& text) const;
  void MakeFolder(const std::string& devicePath) const;  // with its parents
  void WriteFile(const std::string& devicePath, const std::string& bytes) const;
  void WriteHostFile(const std::string& hostPath, const std::vector<uint8_t>& bytes) const;
  std::string ReadFile(const std::string& devicePath) const;  // "<missing>" when it cannot be read

 private:
  talv_test::DeviceFolder device_;
  std::string path_;
};

}  // namespace ce_test
