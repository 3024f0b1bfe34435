#include "fake_install_host.h"

#include <algorithm>

namespace install_test {

bool FakeDevice::CreateFolder(const std::string& devicePath) {
  foldersAsked.push_back(devicePath);
  const auto refused = std::find(refuseOnce.begin(), refuseOnce.end(), devicePath);
  if (refused == refuseOnce.end()) return true;
  refuseOnce.erase(refused);
  return false;
}

uint32_t FakeDevice::CopyFile(FILE* source, uint32_t byteCount, const std::string& devicePath) {
  copies.push_back(devicePath);
  std::string bytes;
  char buffer[4096];
  for (uint32_t left = byteCount; left > 0;) {
    const size_t chunk = left < sizeof buffer ? left : sizeof buffer;
    const size_t got = fread(buffer, 1, chunk, source);
    bytes.append(buffer, got);
    if (got < chunk) break;
    left -= static_cast<uint32_t>(got);
  }
  if (static_cast<int>(copies.size()) == failCopy) return failError;
  files[devicePath] = bytes;
  return 0;
}

void FakePage::BeginProgress(int entryCount) {
  rangeHigh = entryCount + 1;
  position = 0;
}

void FakePage::SetPosition(int value) {
  position = value;
  ++positionsSet;
}

bool FakePage::StopRequested(int nextEntry) {
  polls.push_back(nextEntry);
  return nextEntry == stopBefore;
}

void FakePage::ReportFailure(talv::InstallFailure failure, uint32_t deviceError) {
  reports.push_back(failure == talv::InstallFailure::DamagedArchive ? "damaged"
                                                                    : "device error " + std::to_string(deviceError));
}

std::string CopyLines(const std::vector<std::string>& names) {
  std::string lines;
  for (const std::string& name : names) lines += "Copia di " + name + "\r\n";
  return lines;
}

}  // namespace install_test
