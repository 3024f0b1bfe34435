// The emulated handheld: a host folder (the device folder) described by device.ini, whose root\ subfolder is the
// handheld's file system. Shared by the emulator's RAPI.dll and by the device agent's emulator build, so that
// both see the same device paths, volumes and free space.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device_volumes.h"

namespace emu {

struct DeviceConfig {
  bool connected = true;           // false: not docked, the init event never fires
  DWORD answerMs = 200;            // delay before the init event fires
  HRESULT initResult = 0;          // delivered in hrRapiInit
  WORD processor = 5;              // wProcessorArchitecture (5 = ARM)
  uint64_t storeSize = 32u << 20;  // main store (object store) size in bytes
  // Device paths of the special folders.
  std::wstring programFiles = L"\\Programmi", personal = L"\\Documenti", desktop = L"\\Windows\\Desktop",
               startup = L"\\Windows\\Avvio";
  bool hasProgramFiles = true;  // false: a handheld older than Windows Mobile 2003, without CSIDL_PROGRAM_FILES
  bool hasFailAfter = false;
  uint64_t failAfterBytes = 0;  // the link drops once this many file bytes have been written
  DWORD writeLimit = 0;         // non-zero: a write moves at most this many bytes and reports the shorter count
  bool trace = false;           // RAPI.dll appends one line per call to trace.log in the device folder
  bool runPrograms = true;      // false: a host program started on the handheld is recorded but not run
  // The link's pace; 0: no limit. Every call takes callLatencyUs, and the bytes it moves take their time at
  // linkBytesPerSecond, as over a USB cable to a real handheld.
  uint64_t linkBytesPerSecond = 0;
  uint64_t callLatencyUs = 0;
  // The link drops at the first call that would create this device path (a file opened for writing, a
  // folder); empty: never.
  std::wstring dropAtPath;
  bool dropClearsError = false;  // the handheld's last error is 0 when the link drops, as on a fresh link
  bool perThread = false;        // a thread's calls need a CeRapiInitEx of that thread, as in a per-thread RAPI
  std::vector<Volume> volumes;
};

// The device folder (absolute, no trailing backslash): RAPI_EMULATOR_DEVICE, a path starting with '/' taken as
// Z: plus that path; unset or empty, the folder device\ beside the module that holds this code. A folder
// without device.ini is created with the embedded default handheld on first use. Empty on failure.
std::wstring ResolveDeviceFolder();

// Creates folder\device.ini (the embedded default) and folder\root\ when missing.
bool EnsureDefaultDevice(const std::wstring& folder);

// Reads folder\device.ini; keys that are missing keep the defaults above. Creates root\ and every volume's
// folder when missing. False when the ini file cannot be read.
bool LoadDeviceConfig(const std::wstring& folder, DeviceConfig* out);

// Maps a device path (\A\B) to its host path (folder\root\A\B). Returns 0, or the Windows CE error code that
// refuses the path: ERROR_INVALID_PARAMETER for a null or empty path, ERROR_FILENAME_EXCED_RANGE for 260
// characters or more, ERROR_ACCESS_DENIED for anything but a plain absolute path inside root\ (a relative path,
// "." or "..", ':', '/', wildcards, control characters, names of host devices such as NUL or COM1, names that
// end in a dot or a blank). Empty components (doubled or trailing backslashes) are dropped. Names are
// case-insensitive, as on the host's file system.
DWORD MapDevicePath(const std::wstring& folder, const wchar_t* devicePath, std::wstring* hostPath);

// The volume that holds a device path (compared without regard to case), or null for the main store.
const Volume* VolumeOfDevicePath(const DeviceConfig& config, const wchar_t* devicePath);

// Bytes of the files under a volume, and of the files outside every volume (the main store's), measured on the
// disk: a walk of the whole area.
uint64_t VolumeUsedBytes(const std::wstring& folder, const Volume& volume);
uint64_t MainStoreUsedBytes(const std::wstring& folder, const DeviceConfig& config);
// Free bytes: the capacity less the bytes used, never below zero.
uint64_t FreeOf(uint64_t capacity, uint64_t used);
uint64_t VolumeFreeBytes(const std::wstring& folder, const DeviceConfig& config, const Volume& volume);
uint64_t MainStoreFreeBytes(const std::wstring& folder, const DeviceConfig& config);

}  // namespace emu
