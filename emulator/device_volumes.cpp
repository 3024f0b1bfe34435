#include "device_volumes.h"

#include <cerrno>
#include <cwchar>

#include "device_path_map.h"
#include "portable_text.h"

namespace emu {

bool ParseIniNumber(const std::wstring& text, long long* value) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  errno = 0;
  const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
  const long long parsed =
      hex ? static_cast<long long>(std::wcstoull(text.c_str(), &end, 16)) : std::wcstoll(text.c_str(), &end, 10);
  if (errno != 0 || end == nullptr || *end != L'\0') return false;
  *value = parsed;
  return true;
}

void AddVolumeSection(const IniSection& section, std::vector<Volume>* volumes) {
  if (section.name.size() <= 7 || !EqualOrdinalNoCase(section.name.substr(0, 7), L"volume:")) return;
  Volume volume;
  volume.name = section.name.substr(7);
  while (!volume.name.empty() && volume.name.front() == L' ') volume.name.erase(0, 1);
  if (!ComponentAllowed(std::u16string(volume.name.begin(), volume.name.end()))) return;
  for (const Volume& known : *volumes) {
    if (EqualOrdinalNoCase(known.name, volume.name)) return;
  }
  long long value = 0;
  if (const std::wstring* size = FindIniValue(section, L"size"); size != nullptr && ParseIniNumber(*size, &value))
    volume.size = static_cast<uint64_t>(value);
  int readOnly = 0;
  if (const std::wstring* text = FindIniValue(section, L"readonly"); text != nullptr && ParseIniNumber(*text, &value))
    readOnly = static_cast<int>(value);
  volume.readOnly = readOnly != 0;
  volumes->push_back(volume);
}

bool ParseArmCpu(const std::wstring& text, ArmCpu* cpu) {
  if (EqualOrdinalNoCase(text, L"armv4t")) {
    *cpu = ArmCpu::V4T;
    return true;
  }
  if (EqualOrdinalNoCase(text, L"armv5te")) {
    *cpu = ArmCpu::V5TE;
    return true;
  }
  return false;
}

const char* ArmCpuName(ArmCpu cpu) { return cpu == ArmCpu::V5TE ? "ARMv5TE" : "ARMv4T"; }

DeviceLayout ReadDeviceLayout(const std::vector<IniSection>& sections) {
  DeviceLayout layout;
  for (const IniSection& section : sections) {
    if (EqualOrdinalNoCase(section.name, L"device")) {
      long long value = 0;
      const std::wstring* text = FindIniValue(section, L"store_size");
      if (text != nullptr && ParseIniNumber(*text, &value)) layout.storeSize = static_cast<uint64_t>(value);
      const std::wstring* cpu = FindIniValue(section, L"cpu");
      if (cpu != nullptr && !ParseArmCpu(*cpu, &layout.cpu)) layout.unknownCpu = *cpu;
    } else {
      AddVolumeSection(section, &layout.volumes);
    }
  }
  return layout;
}

}  // namespace emu
