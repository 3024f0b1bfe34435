// device.ini is edited by hand and by tests: whatever its bytes, the volumes read from it are plain folder
// names inside root\, each named once (without regard to case).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "device_ini.h"
#include "device_path_map.h"
#include "device_volumes.h"
#include "portable_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const emu::DeviceLayout layout = emu::ReadDeviceLayout(emu::ParseIni(emu::DecodeIniText(bytes)));
  for (std::size_t i = 0; i < layout.volumes.size(); ++i) {
    const std::wstring& name = layout.volumes[i].name;
    if (!emu::ComponentAllowed(std::u16string(name.begin(), name.end()))) std::abort();
    for (std::size_t j = 0; j < i; ++j) {
      if (emu::EqualOrdinalNoCase(layout.volumes[j].name, name)) std::abort();
    }
  }
  return 0;
}
