#include "device_path_map.h"

namespace emu {
namespace {

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// Host device names are matched without regard to ASCII letter case, as the host matches them.
bool EqualAsciiNoCase(const std::u16string& a, const char16_t* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return i == a.size() && b[i] == 0;
}

bool IsReservedDeviceName(const std::u16string& component) {
  // A host device name keeps its meaning with any extension and letter case: NUL.txt is NUL.
  std::u16string stem = component.substr(0, component.find(u'.'));
  while (!stem.empty() && stem.back() == u' ') stem.pop_back();
  static const char16_t* const kNames[] = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$", u"CLOCK$"};
  for (const char16_t* name : kNames) {
    if (EqualAsciiNoCase(stem, name)) return true;
  }
  if (stem.size() == 4 && (EqualAsciiNoCase(stem.substr(0, 3), u"COM") || EqualAsciiNoCase(stem.substr(0, 3), u"LPT")))
    return (stem[3] >= u'0' && stem[3] <= u'9') || stem[3] == 0xB9 || stem[3] == 0xB2 || stem[3] == 0xB3;
  return false;
}

}  // namespace

bool ComponentAllowed(const std::u16string& component) {
  if (component.empty() || component == u"." || component == u"..") return false;
  if (component.back() == u'.' || component.back() == u' ') return false;
  for (char16_t c : component) {
    if (c < 0x20 || std::u16string(u"<>:\"/\\|?*").find(c) != std::u16string::npos) return false;
  }
  return !IsReservedDeviceName(component);
}

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
