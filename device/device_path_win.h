// The Windows side of device path text: the same conversions on wchar_t, which is UTF-16 there.
#pragma once

#include <cstddef>
#include <string>

#include "device_name.h"
#include "device_path.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be UTF-16");

namespace talv {

// The buffer that every RAPI call with a path receives.
inline bool DevicePathToWide(const char* narrow, wchar_t (&out)[kDevicePathUnits]) {
  return DevicePathToUnits(narrow, out);
}

inline bool NarrowFromWide(const wchar_t* wide, std::size_t maxUnits, std::string* out) {
  if (out == nullptr) return false;
  return NarrowLatin1(wide, maxUnits, out);
}

inline std::string NarrowFromWideLenient(const wchar_t* wide, std::size_t maxUnits) {
  std::string text;
  NarrowLatin1(wide, maxUnits, &text, '?');
  return text;
}

}  // namespace talv
