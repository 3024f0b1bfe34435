#include "scratch_folder.h"

#include <system_error>

namespace ce_test {

ScratchFolder::ScratchFolder() : device_("talv-ce"), path_(device_.path().string()) {}

// Byte for byte: the runner's tests name host files as the host spells them (UTF-8, '/' or '\').
std::string ScratchFolder::Host(const std::string& devicePath) const {
  std::string host = path_ + "/root";
  for (char c : devicePath) host += c == '\\' ? '/' : c;
  return host;
}

void ScratchFolder::WriteIni(const std::string& text) const { device_.WriteIni(text); }

void ScratchFolder::MakeFolder(const std::string& devicePath) const {
  std::error_code ignored;
  talv_test::fs::create_directories(Host(devicePath), ignored);
}

void ScratchFolder::WriteFile(const std::string& devicePath, const std::string& bytes) const {
  talv_test::WriteHostFile(Host(devicePath), bytes);
}

void ScratchFolder::WriteHostFile(const std::string& hostPath, const std::vector<uint8_t>& bytes) const {
  talv_test::WriteHostFile(hostPath, std::string(bytes.begin(), bytes.end()));
}

std::string ScratchFolder::ReadFile(const std::string& devicePath) const {
  std::string bytes;
  return talv_test::ReadHostFile(Host(devicePath), &bytes) ? bytes : "<missing>";
}

}  // namespace ce_test
