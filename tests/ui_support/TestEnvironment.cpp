#include "TestEnvironment.h"

#include <zlib.h>
#include <cstdio>

#include "latin1_text.h"

namespace ui_test {

namespace {
std::wstring Widen(const std::string& text) { return base::Widen(text); }

void PutU16(std::string* out, uint32_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>((v >> 8) & 0xFF));
}

void PutU32(std::string* out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}
}  // namespace

namespace {
// The system's temporary folder as it was when the process started: tests point TMP elsewhere.
const std::wstring& SystemTempFolder() {
  static const std::wstring folder = [] {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp);
  }();
  return folder;
}
}  // namespace

ScratchFolder::ScratchFolder(const std::wstring& prefix) {
  const std::wstring temp = SystemTempFolder();
  static LONG counter = 0;
  wchar_t name[64];
  swprintf(name, 64, L"%ls-%lu-%ld", prefix.c_str(), ::GetCurrentProcessId(), ::InterlockedIncrement(&counter));
  m_path = temp + name;
  RemoveTree(m_path);
  ::CreateDirectoryW(m_path.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(m_path); }

bool RemoveTree(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileW(path.c_str()) != FALSE;
  }
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
  }
  return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (f == nullptr) return false;
  bytes->clear();
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes->append(buffer, n);
  fclose(f);
  return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (f == nullptr) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
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

std::string ArchiveBytes(unsigned char productFlag, unsigned char launcherFlag,
                         const std::vector<PackageEntry>& entries) {
  std::string out;
  out.push_back(static_cast<char>(productFlag));
  out.push_back(static_cast<char>(launcherFlag));
  PutU16(&out, 0);
  PutU16(&out, static_cast<uint32_t>(entries.size()));
  for (const PackageEntry& e : entries) {
    PutU16(&out, static_cast<uint32_t>(e.name.size()));
    PutU16(&out, static_cast<uint32_t>(e.folder.size()));
    PutU32(&out, static_cast<uint32_t>(e.data.size()));
    out += e.name;
    out += e.folder;
    out += e.data;
  }
  return out;
}

bool WritePackage(const std::wstring& path, const std::string& archiveBytes) {
  uLongf size = compressBound(static_cast<uLong>(archiveBytes.size()));
  std::string compressed(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(archiveBytes.data()),
                static_cast<uLong>(archiveBytes.size()), Z_BEST_COMPRESSION) != Z_OK)
    return false;
  compressed.resize(size);
  return WriteWholeFile(path, compressed);
}

bool WriteZerosPackage(const std::wstring& path, unsigned char productFlag, uint32_t dataBytes) {
  std::string header = ArchiveBytes(productFlag, 0, {{"big.bin", "[PRG]", ""}});
  for (int i = 0; i < 4; ++i) header[10 + i] = static_cast<char>((dataBytes >> (8 * i)) & 0xFF);
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (out == nullptr) return false;
  z_stream stream = {};
  bool ok = deflateInit(&stream, 1) == Z_OK;
  static const unsigned char zeros[1 << 20] = {};
  static unsigned char packed[1 << 16];
  const auto feed = [&](const void* data, uInt size, int flush) {
    stream.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    stream.avail_in = size;
    do {
      stream.next_out = packed;
      stream.avail_out = sizeof packed;
      ok = ok && deflate(&stream, flush) != Z_STREAM_ERROR;
      const size_t produced = sizeof packed - stream.avail_out;
      ok = ok && fwrite(packed, 1, produced, out) == produced;
    } while (ok && stream.avail_out == 0);
  };
  feed(header.data(), static_cast<uInt>(header.size()), Z_NO_FLUSH);
  for (uint32_t left = dataBytes; ok && left > 0;) {
    const uInt chunk = left < sizeof zeros ? left : static_cast<uInt>(sizeof zeros);
    feed(zeros, chunk, Z_NO_FLUSH);
    left -= chunk;
  }
  feed(nullptr, 0, Z_FINISH);
  deflateEnd(&stream);
  return fclose(out) == 0 && ok;
}

}  // namespace ui_test
