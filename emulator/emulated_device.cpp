#include "emulated_device.h"

#include <cwchar>

#include "device_ini.h"
#include "device_path_map.h"
#include "unique_handle_win.h"

namespace emu {
namespace {

using base::UniqueFindHandle;
using base::UniqueKernelHandle;

constexpr wchar_t kFolderVariable[] = L"RAPI_EMULATOR_DEVICE";

// The handheld that RAPI.dll creates when no device folder is prepared.
constexpr char kDefaultIni[] =
    "; The emulated handheld. Edit freely: RAPI.dll reads this file at every CeRapiInitEx.\r\n"
    "[device]\r\n"
    "connected=1            ; 0: not docked\r\n"
    "answer_ms=200          ; delay before the handheld answers\r\n"
    "init_result=0          ; negative: the handheld refuses the connection\r\n"
    "processor=5            ; 5 = ARM\r\n"
    "store_size=33554432    ; main store in bytes\r\n"
    "program_files=\\Programmi\r\n"
    "personal=\\Documenti\r\n"
    "desktop=\\Windows\\Desktop\r\n"
    "startup=\\Windows\\Avvio\r\n"
    "fail_after_bytes=      ; empty: the link never drops\r\n"
    "\r\n"
    "[volume:ROMDisk]\r\n"
    "size=67108864\r\n"
    "readonly=0\r\n"
    "\r\n"
    "[volume:ROMDisk2]\r\n"
    "size=16777216\r\n"
    "readonly=0\r\n"
    "\r\n"
    "[volume:Storage Card]\r\n"
    "size=1073741824\r\n"
    "readonly=0\r\n";

constexpr const wchar_t* kDefaultFolders[] = {L"Windows",   L"Windows\\Help", L"Windows\\Desktop", L"Windows\\Avvio",
                                              L"Programmi", L"Documenti",     L"ROMDisk2",         L"ROMDisk2\\INI"};

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// Host paths near MAX_PATH need the \\?\ form; the names in them are already checked, so nothing needs the
// normalisation that this form skips.
std::wstring HostPath(const std::wstring& path) {
  if (path.size() < MAX_PATH - 12 || path.compare(0, 4, L"\\\\?\\") == 0) return path;
  if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(HostPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolderTree(const std::wstring& path) {
  if (path.empty()) return false;
  if (IsDirectory(path)) return true;
  const std::size_t slash = path.find_last_of(L'\\');
  if (slash != std::wstring::npos && slash > 0 && path[slash - 1] != L':' && path[slash - 1] != L'\\' &&
      !CreateFolderTree(path.substr(0, slash)))
    return false;
  return CreateDirectoryW(HostPath(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
  UniqueKernelHandle file(CreateFileW(HostPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  bytes->clear();
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes->append(buffer, got);
  return true;
}

static_assert(kPathErrorAccessDenied == ERROR_ACCESS_DENIED && kPathErrorInvalidParameter == ERROR_INVALID_PARAMETER &&
                  kPathErrorTooLong == ERROR_FILENAME_EXCED_RANGE,
              "the portable mapping answers with the Windows CE error codes");

// The portable mapping works on char16_t; wchar_t is the same UTF-16 here.
std::u16string U16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }
std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

template <typename T>
void ReadNumber(const IniSection& section, const wchar_t* key, T* field) {
  const std::wstring* text = FindIniValue(section, key);
  long long value = 0;
  if (text != nullptr && ParseIniNumber(*text, &value)) *field = static_cast<T>(value);
}

void ReadText(const IniSection& section, const wchar_t* key, std::wstring* field) {
  const std::wstring* text = FindIniValue(section, key);
  if (text != nullptr && !text->empty()) *field = *text;
}

uint64_t BytesUnder(const std::wstring& folder, int depth) {
  // Deep trees are possible through the host only; stop well before the stack could suffer.
  if (depth > 64) return 0;
  WIN32_FIND_DATAW data;
  const UniqueFindHandle search(FindFirstFileW(HostPath(folder + L"\\*").c_str(), &data));
  if (!search.IsValid()) return 0;
  uint64_t total = 0;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // a link leads outside
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      total += BytesUnder(folder + L"\\" + name, depth + 1);
    else
      total += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  } while (FindNextFileW(search.Get(), &data));
  return total;
}

// The device path's components, or the error that refuses it (see MapDevicePath).
DWORD SplitDevicePath(const wchar_t* devicePath, std::vector<std::wstring>* components) {
  std::vector<std::u16string> units;
  const uint32_t error = emu::SplitDevicePath(reinterpret_cast<const char16_t*>(devicePath), &units);
  components->clear();
  for (const std::u16string& unit : units) components->push_back(Wide(unit));
  return error;
}

}  // namespace

std::wstring ResolveDeviceFolder() {
  std::wstring folder;
  const DWORD needed = GetEnvironmentVariableW(kFolderVariable, nullptr, 0);
  if (needed > 1) {
    folder.resize(needed);
    const DWORD got = GetEnvironmentVariableW(kFolderVariable, &folder[0], needed);
    folder.resize(got < needed ? got : 0);
  }
  if (folder.empty()) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ResolveDeviceFolder), &module))
      return std::wstring();
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return std::wstring();
    folder.assign(path.data(), length);
    folder = folder.substr(0, folder.find_last_of(L'\\') + 1) + L"device";
  } else if (folder[0] == L'/') {
    folder.insert(0, L"Z:");
  }
  for (wchar_t& c : folder) {
    if (c == L'/') c = L'\\';
  }
  const DWORD size = GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::wstring();
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(folder.c_str(), size, &full[0], nullptr);
  if (length == 0 || length >= size) return std::wstring();
  full.resize(length);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  if (!EnsureDefaultDevice(full)) return std::wstring();
  return full;
}

bool EnsureDefaultDevice(const std::wstring& folder) {
  if (!CreateFolderTree(folder)) return false;
  const std::wstring ini = folder + L"\\device.ini";
  UniqueKernelHandle file(
      CreateFileW(HostPath(ini).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.IsValid()) {
    DWORD written = 0;
    const DWORD size = sizeof kDefaultIni - 1;
    if (!WriteFile(file.Get(), kDefaultIni, size, &written, nullptr) || written != size) return false;
    for (const wchar_t* name : kDefaultFolders) CreateFolderTree(folder + L"\\root\\" + name);
  } else if (GetLastError() != ERROR_FILE_EXISTS) {
    return false;
  }
  return CreateFolderTree(folder + L"\\root");
}

bool LoadDeviceConfig(const std::wstring& folder, DeviceConfig* out) {
  if (out == nullptr) return false;
  std::string bytes;
  if (!ReadWholeFile(folder + L"\\device.ini", &bytes)) return false;
  DeviceConfig config;
  for (const IniSection& section : ParseIni(DecodeIniText(bytes))) {
    if (EqualNoCase(section.name, L"device")) {
      int connected = config.connected ? 1 : 0;
      ReadNumber(section, L"connected", &connected);
      config.connected = connected != 0;
      ReadNumber(section, L"answer_ms", &config.answerMs);
      ReadNumber(section, L"init_result", &config.initResult);
      ReadNumber(section, L"processor", &config.processor);
      ReadNumber(section, L"store_size", &config.storeSize);
      ReadText(section, L"program_files", &config.programFiles);
      ReadText(section, L"personal", &config.personal);
      ReadText(section, L"desktop", &config.desktop);
      ReadText(section, L"startup", &config.startup);
      if (const std::wstring* failAfter = FindIniValue(section, L"fail_after_bytes")) {
        long long bytesBeforeDrop = 0;
        config.hasFailAfter = ParseIniNumber(*failAfter, &bytesBeforeDrop) && bytesBeforeDrop >= 0;
        config.failAfterBytes = config.hasFailAfter ? static_cast<uint64_t>(bytesBeforeDrop) : 0;
      }
      ReadNumber(section, L"write_limit", &config.writeLimit);
      int trace = 0;
      ReadNumber(section, L"trace", &trace);
      config.trace = trace != 0;
      int runPrograms = 1;
      ReadNumber(section, L"run_programs", &runPrograms);
      config.runPrograms = runPrograms != 0;
      ReadNumber(section, L"link_bytes_per_second", &config.linkBytesPerSecond);
      ReadNumber(section, L"call_latency_us", &config.callLatencyUs);
      ReadText(section, L"drop_at_path", &config.dropAtPath);
      int flag = config.hasProgramFiles ? 1 : 0;
      ReadNumber(section, L"has_program_files", &flag);
      config.hasProgramFiles = flag != 0;
      flag = 0;
      ReadNumber(section, L"drop_clears_error", &flag);
      config.dropClearsError = flag != 0;
      flag = 0;
      ReadNumber(section, L"per_thread", &flag);
      config.perThread = flag != 0;
    } else {
      AddVolumeSection(section, &config.volumes);
    }
  }
  if (!CreateFolderTree(folder + L"\\root")) return false;
  for (const Volume& volume : config.volumes) CreateFolderTree(folder + L"\\root\\" + volume.name);
  *out = config;
  return true;
}

DWORD MapDevicePath(const std::wstring& folder, const wchar_t* devicePath, std::wstring* hostPath) {
  std::u16string mapped;
  const uint32_t error = emu::MapDevicePath(U16(folder), reinterpret_cast<const char16_t*>(devicePath), &mapped);
  if (error != 0) return error;
  if (hostPath != nullptr) *hostPath = HostPath(Wide(mapped));
  return 0;
}

const Volume* VolumeOfDevicePath(const DeviceConfig& config, const wchar_t* devicePath) {
  std::vector<std::wstring> components;
  if (SplitDevicePath(devicePath, &components) != 0 || components.empty()) return nullptr;
  for (const Volume& volume : config.volumes) {
    if (EqualNoCase(volume.name, components[0])) return &volume;
  }
  return nullptr;
}

uint64_t VolumeUsedBytes(const std::wstring& folder, const Volume& volume) {
  return BytesUnder(folder + L"\\root\\" + volume.name, 0);
}

uint64_t MainStoreUsedBytes(const std::wstring& folder, const DeviceConfig& config) {
  const std::wstring root = folder + L"\\root";
  uint64_t used = 0;
  WIN32_FIND_DATAW data;
  const UniqueFindHandle search(FindFirstFileW(HostPath(root + L"\\*").c_str(), &data));
  if (search.IsValid()) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L".." || (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        used += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        continue;
      }
      bool isVolume = false;
      for (const Volume& volume : config.volumes) isVolume = isVolume || EqualNoCase(volume.name, name);
      if (!isVolume) used += BytesUnder(root + L"\\" + name, 1);
    } while (FindNextFileW(search.Get(), &data));
  }
  return used;
}

uint64_t FreeOf(uint64_t capacity, uint64_t used) { return used >= capacity ? 0 : capacity - used; }

uint64_t VolumeFreeBytes(const std::wstring& folder, const DeviceConfig& config, const Volume& volume) {
  return FreeOf(volume.size, VolumeUsedBytes(folder, volume));
}

uint64_t MainStoreFreeBytes(const std::wstring& folder, const DeviceConfig& config) {
  return FreeOf(config.storeSize, MainStoreUsedBytes(folder, config));
}

}  // namespace emu
