// A handheld and a page for the installation operation, both in memory: the device keeps every call it got
// and can refuse a chosen copy or folder; the page keeps the bar, the log and the reports, and asks to stop
// before a chosen entry.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "install_operation.h"

namespace install_test {

class FakeDevice : public talv::InstallDevice {
 public:
  bool CreateFolder(const std::string& devicePath) override;
  uint32_t CopyFile(FILE* source, uint32_t byteCount, const std::string& devicePath) override;

  // The copy with this number (from 1) fails with failError after reading its bytes, as a dropped link does.
  int failCopy = 0;
  uint32_t failError = 0;
  // Folders that cannot be created the first time they are asked for.
  std::vector<std::string> refuseOnce;

  std::vector<std::string> foldersAsked;  // every CreateFolder call, in order
  std::vector<std::string> copies;        // every CopyFile call's path, in order
  std::map<std::string, std::string> files;
};

class FakePage : public talv::InstallCallback {
 public:
  void BeginProgress(int entryCount) override;
  void SetPosition(int position) override;
  void Log(const std::string& text) override { log += text; }
  bool StopRequested(int nextEntry) override;
  void ReportFailure(talv::InstallFailure failure, uint32_t deviceError) override;

  int stopBefore = -1;  // the entry before which the user's stop request is found

  int rangeHigh = -1;
  int position = -1;
  int positionsSet = 0;
  std::string log;
  std::vector<int> polls;  // the entries each stop poll was made for
  std::vector<std::string> reports;
};

// "name\r\n" lines of the log for the named entries.
std::string CopyLines(const std::vector<std::string>& names);

}  // namespace install_test
