// The few wide-string operations of the agent, done here rather than through the platform's runtime library
// so that they behave identically on the handheld, the emulated handheld and the build machine. Freestanding:
// the Windows CE build compiles this file without a C++ library (host_text.h holds the host-only helpers).
#pragma once

#include <cstddef>

namespace agent {

// Exact, case-sensitive comparison of two zero-terminated strings.
bool WideEquals(const char16_t* left, const char16_t* right);

// Copies up to and including the terminator; stops short and terminates when `capacity` would be exceeded.
void WideCopy(char16_t* destination, std::size_t capacity, const char16_t* source);

}  // namespace agent
