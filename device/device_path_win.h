// The Windows side of device path text: the same conversions on wchar_t, which is UTF-16 there.
#pragma once

#include <cstddef>
#include <string>

#include "device_path.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be UTF-16");

namespace talv {

// The buffer that every RAPI call with a path receives.
inline bool DevicePathToWide(const char* narrow, wchar_t (&out)[kDevicePathUnits]) {
  char16_t units[kDevicePathUnits];
  const bool ok = DevicePathToUtf16(narrow, units);
  for (std::size_t i = 0; i < kDevicePathUnits; ++i) {
    out[i] = static_cast<wchar_t>(units[i]);
    if (units[i] == 0) break;
  }
  return ok;
}

inline bool NarrowFromWide(const wchar_t* wide, std::size_t maxUnits, std::string* out) {
  if (wide == nullptr) {
    if (out != nullptr) out->clear();
    return false;
  }
  std::u16string units;
  for (std::size_t i = 0; i < maxUnits && wide[i] != 0; ++i) units.push_back(static_cast<char16_t>(wide[i]));
  return NarrowFromUtf16(units, out);
}

inline std::string NarrowFromWideLenient(const wchar_t* wide, std::size_t maxUnits) {
  std::u16string units;
  for (std::size_t i = 0; wide != nullptr && i < maxUnits && wide[i] != 0; ++i)
    units.push_back(static_cast<char16_t>(wide[i]));
  return NarrowFromUtf16Lenient(units.c_str(), units.size());
}

}  // namespace talv
