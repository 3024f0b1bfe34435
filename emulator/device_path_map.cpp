#include "device_path_map.h"

#include "device_name.h"

namespace emu {

bool ComponentAllowed(const std::u16string& component) { return static_cast<bool>(talv::JudgeName(component)); }

uint32_t SplitDevicePath(const char16_t* devicePath, std::vector<std::u16string>* components) {
  components->clear();
  if (devicePath == nullptr || devicePath[0] == 0) return kPathErrorInvalidParameter;
  std::size_t length = 0;
  while (length < kDevicePathLimit && devicePath[length] != 0) ++length;
  if (length >= kDevicePathLimit) return kPathErrorTooLong;
  if (devicePath[0] != u'\\') return kPathErrorAccessDenied;
  std::u16string current;
  for (std::size_t i = 1; i <= length; ++i) {
    if (i < length && devicePath[i] != u'\\') {
      current.push_back(devicePath[i]);
      continue;
    }
    if (current.empty()) continue;
    if (!ComponentAllowed(current)) {
      components->clear();
      return kPathErrorAccessDenied;
    }
    components->push_back(current);
    current.clear();
  }
  return 0;
}

uint32_t MapDevicePath(const std::u16string& folder, const char16_t* devicePath, std::u16string* hostPath) {
  std::vector<std::u16string> components;
  const uint32_t error = SplitDevicePath(devicePath, &components);
  if (error != 0) return error;
  std::u16string path = folder + u"\\root";
  for (const std::u16string& component : components) path += u"\\" + component;
  if (hostPath != nullptr) *hostPath = path;
  return 0;
}

}  // namespace emu
