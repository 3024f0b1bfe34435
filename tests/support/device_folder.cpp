#include "device_folder.h"

#include <system_error>

#include "device_name.h"

namespace talv_test {

DeviceFolder::DeviceFolder(const std::string& prefix) : scratch_(prefix) {
  std::error_code ec;
  fs::create_directory(scratch_.path() / "root", ec);
}

fs::path DeviceFolder::Host(const std::string& devicePath) const {
  fs::path host = scratch_.path() / "root";
  for (size_t start = 0; start < devicePath.size();) {
    size_t end = devicePath.find('\\', start);
    if (end == std::string::npos) end = devicePath.size();
    if (end > start) host /= fs::u8path(talv::Latin1ToUtf8(devicePath.substr(start, end - start)));
    start = end + 1;
  }
  return host;
}

bool DeviceFolder::WriteIni(const std::string& text) const { return WriteHostFile(path() / "device.ini", text); }

bool DeviceFolder::MakeFolder(const std::string& devicePath) const {
  std::error_code ec;
  fs::create_directories(Host(devicePath), ec);
  return !ec;
}

bool DeviceFolder::WriteFile(const std::string& devicePath, const std::string& bytes) const {
  return WriteHostFile(Host(devicePath), bytes);
}

bool DeviceFolder::Exists(const std::string& devicePath) const { return HostExists(Host(devicePath)); }

std::string DeviceFolder::ReadFile(const std::string& devicePath) const {
  std::string bytes;
  return ReadHostFile(Host(devicePath), &bytes) ? bytes : "<missing>";
}

}  // namespace talv_test
