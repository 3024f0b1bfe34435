#include "TestEnvironment.h"

#include <cstdio>

#include "latin1_text.h"

namespace ui_test {

namespace {
std::wstring Widen(const std::string& text) { return base::Widen(text); }
}  // namespace

ScratchFolder::ScratchFolder(const std::wstring& prefix)
    : m_scratch(base::Narrow(prefix)), m_path(m_scratch.path().wstring()) {}

bool RemoveTree(const std::wstring& path) { return talv_test::RemoveTree(talv_test::fs::path(path)); }

bool FileExists(const std::wstring& path) { return talv_test::HostExists(talv_test::fs::path(path)); }

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
  return talv_test::ReadHostFile(talv_test::fs::path(path), bytes);
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  return talv_test::WriteHostFile(talv_test::fs::path(path), bytes);
}

std::wstring TestProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\'));
}

bool WriteDevice(const std::wstring& folder, const DeviceDescription& handheld) {
  ::CreateDirectoryW(folder.c_str(), nullptr);
  std::string ini = "[device]\r\n";
  ini += "connected=" + std::string(handheld.connected ? "1" : "0") + "\r\n";
  ini += "answer_ms=" + std::to_string(handheld.answerMs) + "\r\n";
  ini += "init_result=" + std::to_string(handheld.initResult) + "\r\n";
  ini += "processor=" + std::to_string(handheld.processor) + "\r\n";
  ini += "store_size=" + std::to_string(handheld.storeSize) + "\r\n";
  ini += "program_files=" + handheld.programFiles + "\r\n";
  ini += "personal=" + handheld.personal + "\r\n";
  ini += "desktop=" + handheld.desktop + "\r\n";
  ini += "startup=" + handheld.startup + "\r\n";
  ini += "fail_after_bytes=" + handheld.failAfterBytes + "\r\n";
  if (!handheld.runPrograms) ini += "run_programs=0\r\n";
  if (handheld.trace) ini += "trace=1\r\n";
  ini += "link_bytes_per_second=" + std::to_string(handheld.linkBytesPerSecond) + "\r\n";
  ini += "call_latency_us=" + std::to_string(handheld.callLatencyUs) + "\r\n";
  if (!handheld.dropAtPath.empty()) ini += "drop_at_path=" + handheld.dropAtPath + "\r\n";
  if (handheld.dropClearsError) ini += "drop_clears_error=1\r\n";
  if (handheld.perThread) ini += "per_thread=1\r\n";
  for (const VolumeDescription& v : handheld.volumes) {
    ini += "\r\n[volume:" + v.name + "]\r\n";
    ini += "size=" + std::to_string(v.size) + "\r\n";
    ini += "readonly=" + std::string(v.readOnly ? "1" : "0") + "\r\n";
  }
  if (!WriteWholeFile(folder + L"\\device.ini", ini)) return false;
  const std::wstring root = folder + L"\\root";
  ::CreateDirectoryW(root.c_str(), nullptr);
  ::CreateDirectoryW((root + L"\\Windows").c_str(), nullptr);
  ::CreateDirectoryW((root + L"\\Windows\\Help").c_str(), nullptr);
  // The special folders exist on a real handheld; each is one level below the root or below \Windows.
  for (const std::string* special : {&handheld.programFiles, &handheld.personal, &handheld.desktop, &handheld.startup})
    if (!special->empty()) ::CreateDirectoryW((root + Widen(*special)).c_str(), nullptr);
  for (const VolumeDescription& v : handheld.volumes)
    ::CreateDirectoryW((root + L"\\" + Widen(v.name)).c_str(), nullptr);
  for (const VolumeDescription& v : handheld.volumes)
    if (v.name == "ROMDisk2") ::CreateDirectoryW((root + L"\\ROMDisk2\\INI").c_str(), nullptr);
  return true;
}

std::wstring DeviceHostPath(const std::wstring& folder, const std::string& devicePath) {
  return folder + L"\\root" + Widen(devicePath);
}

bool WritePackage(const std::wstring& path, const std::string& archiveBytes) {
  return talv_test::WritePackage(talv_test::fs::path(path), archiveBytes);
}

bool WriteZerosPackage(const std::wstring& path, unsigned char productFlag, uint32_t dataBytes) {
  talv_test::PackageFile package(talv_test::fs::path(path), 1);
  return package.IsOpen() && package.writer().WriteHeader(productFlag, 0, 1) &&
         package.writer().BeginEntry("big.bin", "[PRG]", dataBytes) && package.WriteZeros(dataBytes) &&
         package.writer().Finish() && package.Finish();
}

}  // namespace ui_test
