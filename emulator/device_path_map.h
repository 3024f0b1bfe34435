// Where a device path of the emulated handheld lands on the host: device path \A\B is <device folder>\root\A\B.
// Portable (UTF-16 as char16_t, no Windows headers), so that the mapping can be fuzzed natively: a package can
// name any device path, and none may reach outside root\.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace emu {

// The Windows CE error codes that refuse a path.
constexpr uint32_t kPathErrorAccessDenied = 5;       // ERROR_ACCESS_DENIED
constexpr uint32_t kPathErrorInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
constexpr uint32_t kPathErrorTooLong = 206;          // ERROR_FILENAME_EXCED_RANGE
constexpr std::size_t kDevicePathLimit = 260;        // a device path is shorter than this

// Whether component can be one folder or file name inside root\: the handheld's name rule (talv::JudgeName in
// device_name.h), the same that the package tool applies, so a package it passes is never refused here.
bool ComponentAllowed(const std::u16string& component);

// The components of a device path, or the error that refuses it: kPathErrorInvalidParameter for a null or
// empty path, kPathErrorTooLong for 260 characters or more, kPathErrorAccessDenied for a path that does not
// start with '\' or holds a component that ComponentAllowed refuses. Empty components (doubled or trailing
// backslashes) are dropped.
uint32_t SplitDevicePath(const char16_t* devicePath, std::vector<std::u16string>* components);

// folder + "\root" + "\" + each component; 0, or the error of SplitDevicePath (hostPath untouched).
uint32_t MapDevicePath(const std::u16string& folder, const char16_t* devicePath, std::u16string* hostPath);

}  // namespace emu
