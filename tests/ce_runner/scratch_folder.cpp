#include "scratch_folder.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ce_test {
namespace {

int RemoveOne(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }

}  // namespace

ScratchFolder::ScratchFolder() {
  const char* temp = std::getenv("TMPDIR");
  std::string pattern = std::string(temp != nullptr && *temp != 0 ? temp : "/tmp") + "/talv-ce-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) throw std::runtime_error("no scratch folder");
  path_ = pattern;
  mkdir((path_ + "/root").c_str(), 0777);
}

ScratchFolder::~ScratchFolder() { nftw(path_.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS); }

std::string ScratchFolder::Host(const std::string& devicePath) const {
  std::string host = path_ + "/root";
  for (char c : devicePath) host += c == '\\' ? '/' : c;
  return host;
}

void ScratchFolder::WriteIni(const std::string& text) const {
  std::ofstream(path_ + "/device.ini", std::ios::binary) << text;
}

void ScratchFolder::MakeFolder(const std::string& devicePath) const {
  const std::string host = Host(devicePath);
  for (std::size_t slash = host.find('/', path_.size() + 1);; slash = host.find('/', slash + 1)) {
    mkdir(host.substr(0, slash).c_str(), 0777);
    if (slash == std::string::npos) break;
  }
}

void ScratchFolder::WriteFile(const std::string& devicePath, const std::string& bytes) const {
  std::ofstream(Host(devicePath), std::ios::binary) << bytes;
}

void ScratchFolder::WriteHostFile(const std::string& hostPath, const std::vector<uint8_t>& bytes) const {
  std::ofstream(hostPath, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string ScratchFolder::ReadFile(const std::string& devicePath) const {
  std::ifstream file(Host(devicePath), std::ios::binary);
  if (!file) return "<missing>";
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

}  // namespace ce_test
