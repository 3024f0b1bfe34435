// Device path text. The installer keeps device paths as narrow 8-bit text and hands them to the handheld as
// UTF-16, byte for byte (ISO 8859-1: byte b becomes code unit b). Names coming back from the handheld take the
// reverse road, which fails for code units above 255; the lenient variant, for display only, shows those as '?'.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace talv {

// The handheld's maximum path, terminator included: a device path has at most 259 characters.
constexpr std::size_t kDevicePathUnits = 260;

// Writes the terminated UTF-16 form of narrow into out. Fails (out holds an empty string) for a null pointer or
// a path of kDevicePathUnits characters or more. Allocates nothing.
bool DevicePathToUtf16(const char* narrow, char16_t (&out)[kDevicePathUnits]);

// The same for any 16-bit code unit type (wchar_t on Windows). Byte b becomes unit b (device_name.h); a copy
// through unsigned char does exactly that without allocating.
template <typename Unit>
bool DevicePathToUnits(const char* narrow, Unit (&out)[kDevicePathUnits]) {
  out[0] = 0;
  if (narrow == nullptr) return false;
  const std::size_t length = strnlen(narrow, kDevicePathUnits);
  if (length >= kDevicePathUnits) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(narrow);
  std::copy(bytes, bytes + length, out);
  out[length] = 0;
  return true;
}
bool DevicePathToUtf16(const std::string& narrow, std::u16string* out);

// Reads at most maxUnits code units of units, stopping at a zero unit (fixed-size name fields need not be
// terminated). Fails (out empty) for a null pointer or a code unit above 255.
bool NarrowFromUtf16(const char16_t* units, std::size_t maxUnits, std::string* out);
bool NarrowFromUtf16(const std::u16string& units, std::string* out);

// As NarrowFromUtf16, but every code unit above 255 becomes '?'. A null pointer gives an empty string.
std::string NarrowFromUtf16Lenient(const char16_t* units, std::size_t maxUnits);

}  // namespace talv
