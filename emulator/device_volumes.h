// The storage volumes and main store that device.ini describes, read by the same rules for RAPI.dll and for
// the native ARM runner. Portable: no Windows headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device_ini.h"

namespace emu {

// A storage volume: the folder root\<name>, created when missing.
struct Volume {
  std::wstring name;
  uint64_t size = 0;      // capacity in bytes
  bool readOnly = false;  // creating or writing files and folders fails with ERROR_WRITE_PROTECT
};

// Decimal, or hexadecimal after "0x"; the whole text must be the number.
bool ParseIniNumber(const std::wstring& text, long long* value);

// Adds the volume of a "[volume:NAME]" section. Ignored: other sections, a name that is not one plain folder
// name (it could reach outside root\ or alias another volume), and a second section for a name already known
// (compared without regard to case).
void AddVolumeSection(const IniSection& section, std::vector<Volume>* volumes);

// The handheld's ARM core: many Windows CE 4.2-6 handhelds have an ARMv4T core (ARM920T class), later ones
// an ARMv5TE core (ARM926 class), which adds CLZ, BLX, LDRD, STRD and more.
enum class ArmCpu { V4T, V5TE };

// "armv4t" or "armv5te", without regard to case; false for anything else.
bool ParseArmCpu(const std::wstring& text, ArmCpu* cpu);
const char* ArmCpuName(ArmCpu cpu);

struct DeviceLayout {
  uint64_t storeSize = 32u << 20;  // main store (object store) in bytes
  std::vector<Volume> volumes;     // in the order of device.ini
  ArmCpu cpu = ArmCpu::V4T;
  std::wstring unknownCpu;  // a cpu= value that names no core: a handheld that cannot be emulated
};

// The main store's size from [device] store_size (missing or unreadable: the default), the core from cpu=
// (missing: ARMv4T) and the volumes.
DeviceLayout ReadDeviceLayout(const std::vector<IniSection>& sections);

}  // namespace emu
