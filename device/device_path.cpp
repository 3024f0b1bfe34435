#include "device_path.h"

#include "device_name.h"

namespace talv {

bool DevicePathToUtf16(const char* narrow, char16_t (&out)[kDevicePathUnits]) { return DevicePathToUnits(narrow, out); }

bool DevicePathToUtf16(const std::string& narrow, std::u16string* out) {
  if (out == nullptr) return false;
  out->clear();
  // An embedded zero byte would end the path early on the handheld: refuse it rather than write elsewhere.
  if (narrow.size() >= kDevicePathUnits || narrow.find('\0') != std::string::npos) return false;
  *out = WidenLatin1<char16_t>(narrow);
  return true;
}

bool NarrowFromUtf16(const char16_t* units, std::size_t maxUnits, std::string* out) {
  if (out == nullptr) return false;
  return NarrowLatin1(units, maxUnits, out);
}

bool NarrowFromUtf16(const std::u16string& units, std::string* out) {
  return NarrowFromUtf16(units.c_str(), units.size(), out);
}

std::string NarrowFromUtf16Lenient(const char16_t* units, std::size_t maxUnits) {
  std::string text;
  NarrowLatin1(units, maxUnits, &text, '?');
  return text;
}

}  // namespace talv
