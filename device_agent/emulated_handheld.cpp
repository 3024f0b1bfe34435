#include "emulated_handheld.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "host_text.h"
#include "unique_handle_win.h"
#include "wide_text.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

namespace agent {

namespace {

const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// The host file is always opened for bytes; the handheld runtime's text mode is reproduced here, so the
// result does not depend on which C runtime (or Wine's version of it) the host program runs on.
struct EmulatedStream {
  std::FILE* file;
  bool textMode;
};

EmulatedStream* StreamOf(PlatformStream* stream) { return reinterpret_cast<EmulatedStream*>(stream); }
HANDLE SearchOf(PlatformSearch* search) { return reinterpret_cast<HANDLE>(search); }

bool IsDotEntry(const WIN32_FIND_DATAW& data) {
  return std::wcscmp(data.cFileName, L".") == 0 || std::wcscmp(data.cFileName, L"..") == 0;
}

bool SameNameIgnoringCase(const std::wstring& left, const std::wstring& right) {
  return CompareStringOrdinal(left.c_str(), -1, right.c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

// Only the emulator starts this program, and it always names the device folder. Run by hand without it, the
// agent does nothing rather than invent a device folder beside itself.
EmulatedHandheld::EmulatedHandheld() {
  if (GetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", nullptr, 0) <= 1) return;
  folder_ = emu::ResolveDeviceFolder();
  ready_ = !folder_.empty() && emu::LoadDeviceConfig(folder_, &config_);
}

PlatformStream* EmulatedHandheld::OpenStream(const char16_t* path, const char* mode) {
  if (!ready_) return nullptr;
  const bool text = std::strcmp(mode, "wt") == 0;
  if (!text && std::strcmp(mode, "wb") != 0) return nullptr;
  std::wstring hostPath;
  if (emu::MapDevicePath(folder_, AsWide(path), &hostPath) != 0) return nullptr;
  const emu::Volume* volume = emu::VolumeOfDevicePath(config_, AsWide(path));
  if (volume != nullptr && volume->readOnly) return nullptr;
  std::FILE* file = _wfopen(hostPath.c_str(), L"wb");
  if (file == nullptr) return nullptr;
  return reinterpret_cast<PlatformStream*>(new EmulatedStream{file, text});
}

void EmulatedHandheld::WriteWideString(PlatformStream* stream, const char16_t* text) {
  EmulatedStream& s = *StreamOf(stream);
  if (s.textMode) {
    const std::string bytes = EncodeTextModeWide(text);
    std::fwrite(bytes.data(), 1, bytes.size(), s.file);
    return;
  }
  std::size_t units = 0;
  while (text[units] != 0) ++units;
  std::fwrite(text, sizeof(char16_t), units, s.file);  // a byte stream takes the units as they are
}

void EmulatedHandheld::WriteBlock(PlatformStream* stream, const void* data, std::size_t itemSize, std::size_t count) {
  EmulatedStream& s = *StreamOf(stream);
  const auto* bytes = static_cast<const unsigned char*>(data);
  const std::size_t size = itemSize * count;
  if (!s.textMode) {
    std::fwrite(bytes, 1, size, s.file);
    return;
  }
  for (std::size_t i = 0; i < size; ++i) {
    if (bytes[i] == '\n') std::fputc('\r', s.file);
    std::fputc(bytes[i], s.file);
  }
}

void EmulatedHandheld::CloseStream(PlatformStream* stream) {
  EmulatedStream* s = StreamOf(stream);
  std::fclose(s->file);
  delete s;
}

bool EmulatedHandheld::HostSearchPattern(const char16_t* pattern, std::wstring* hostPattern) const {
  const std::wstring devicePattern(AsWide(pattern));
  const std::size_t slash = devicePattern.rfind(L'\\');
  if (slash == std::wstring::npos || slash + 1 == devicePattern.size()) return false;
  std::wstring hostFolder;
  if (slash == 0) {
    hostFolder = folder_ + L"\\root";
  } else if (emu::MapDevicePath(folder_, devicePattern.substr(0, slash).c_str(), &hostFolder) != 0) {
    return false;
  }
  *hostPattern = hostFolder + devicePattern.substr(slash);
  return true;
}

// The handheld lists mounted volumes in its root as directory + temporary; on the host they are plain
// folders, so the attributes come from device.ini. Other folders show as plain directories, files unchanged.
void EmulatedHandheld::Fill(const WIN32_FIND_DATAW& data, FindRecord* record) const {
  std::memset(record->name, 0, sizeof record->name);
  WideCopy(record->name, kMaxPath, reinterpret_cast<const char16_t*>(data.cFileName));
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    record->attributes = data.dwFileAttributes;
    return;
  }
  record->attributes = kAttributeDirectory;
  for (const emu::Volume& volume : config_.volumes) {
    if (SameNameIgnoringCase(volume.name, data.cFileName)) record->attributes |= kAttributeTemporary;
  }
}

PlatformSearch* EmulatedHandheld::FindFirst(const char16_t* pattern, FindRecord* record) {
  std::wstring hostPattern;
  if (!ready_ || !HostSearchPattern(pattern, &hostPattern)) return nullptr;
  WIN32_FIND_DATAW data;
  base::UniqueFindHandle find(FindFirstFileW(hostPattern.c_str(), &data));
  if (!find.IsValid()) return nullptr;
  // The handheld has no "." and ".." entries.
  while (IsDotEntry(data)) {
    if (!FindNextFileW(find.Get(), &data)) return nullptr;
  }
  Fill(data, record);
  return reinterpret_cast<PlatformSearch*>(find.Release());
}

bool EmulatedHandheld::FindNext(PlatformSearch* search, FindRecord* record) {
  WIN32_FIND_DATAW data;
  do {
    if (!FindNextFileW(SearchOf(search), &data)) return false;
  } while (IsDotEntry(data));
  Fill(data, record);
  return true;
}

void EmulatedHandheld::FindClose(PlatformSearch* search) { ::FindClose(SearchOf(search)); }

// Windows CE has no current folder: "ROMDisk" and "\ROMDisk" name the same place.
bool EmulatedHandheld::QueryFreeSpace(const char16_t* path, FreeSpace* space) {
  if (!ready_) return false;
  std::wstring devicePath(AsWide(path));
  if (devicePath.empty() || devicePath[0] != L'\\') devicePath.insert(0, 1, L'\\');
  std::wstring hostPath;
  if (emu::MapDevicePath(folder_, devicePath.c_str(), &hostPath) != 0) return false;
  if (GetFileAttributesW(hostPath.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  if (const emu::Volume* volume = emu::VolumeOfDevicePath(config_, devicePath.c_str())) {
    space->totalBytes = volume->size;
    space->totalFreeBytes = emu::VolumeFreeBytes(folder_, config_, *volume);
  } else {
    space->totalBytes = config_.storeSize;
    space->totalFreeBytes = emu::MainStoreFreeBytes(folder_, config_);
  }
  space->freeBytesAvailableToCaller = space->totalFreeBytes;
  return true;
}

}  // namespace agent
