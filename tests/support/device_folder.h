// An emulated handheld's device folder for one test: device.ini beside root, the handheld's file system, under a
// scratch folder of its own. Device paths are the handheld's: Latin-1 text with '\' between names, from the
// root ("\Windows\x.txt"); on the host they become the names the emulated handheld uses (UTF-8 on Linux,
// UTF-16 on Windows).
#pragma once

#include <string>

#include "scratch_dir.h"

namespace talv_test {

class DeviceFolder {
 public:
  explicit DeviceFolder(const std::string& prefix = "talv-device");

  const fs::path& path() const { return scratch_.path(); }
  fs::path Host(const std::string& devicePath) const;

  bool WriteIni(const std::string& text) const;
  bool MakeFolder(const std::string& devicePath) const;  // with its parents
  bool WriteFile(const std::string& devicePath, const std::string& bytes) const;
  bool Exists(const std::string& devicePath) const;
  std::string ReadFile(const std::string& devicePath) const;  // "<missing>" when it cannot be read

 private:
  ScratchDir scratch_;
};

}  // namespace talv_test
