#include "device_path.h"

namespace talv {

bool DevicePathToUtf16(const char* narrow, char16_t (&out)[kDevicePathUnits]) {
  out[0] = 0;
  if (narrow == nullptr) return false;
  std::size_t i = 0;
  for (; narrow[i] != '\0'; ++i) {
    if (i + 1 >= kDevicePathUnits) {
      out[0] = 0;
      return false;
    }
    out[i] = static_cast<unsigned char>(narrow[i]);
  }
  out[i] = 0;
  return true;
}

bool DevicePathToUtf16(const std::string& narrow, std::u16string* out) {
  if (out == nullptr) return false;
  out->clear();
  // An embedded zero byte would end the path early on the handheld: refuse it rather than write elsewhere.
  if (narrow.size() >= kDevicePathUnits || narrow.find('\0') != std::string::npos) return false;
  out->reserve(narrow.size());
  for (char c : narrow) out->push_back(static_cast<unsigned char>(c));
  return true;
}

bool NarrowFromUtf16(const char16_t* units, std::size_t maxUnits, std::string* out) {
  if (out == nullptr) return false;
  out->clear();
  if (units == nullptr) return false;
  for (std::size_t i = 0; i < maxUnits && units[i] != 0; ++i) {
    if (units[i] > 0xFF) {
      out->clear();
      return false;
    }
    out->push_back(static_cast<char>(static_cast<unsigned char>(units[i])));
  }
  return true;
}

bool NarrowFromUtf16(const std::u16string& units, std::string* out) {
  return NarrowFromUtf16(units.c_str(), units.size(), out);
}

std::string NarrowFromUtf16Lenient(const char16_t* units, std::size_t maxUnits) {
  std::string text;
  if (units == nullptr) return text;
  for (std::size_t i = 0; i < maxUnits && units[i] != 0; ++i)
    text.push_back(units[i] > 0xFF ? '?' : static_cast<char>(static_cast<unsigned char>(units[i])));
  return text;
}

}  // namespace talv
