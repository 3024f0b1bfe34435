// GetTickCount64 for a program that must also load on Windows XP and Server 2003, which lack it.
#pragma once

#include <windows.h>

#include <cstdint>

namespace talv {

// The 64-bit count that follows |previous| when the 32-bit tick counter reads |now|: a reading below the low
// half of |previous| means the counter wrapped (every 49.7 days) since then.
constexpr std::uint64_t ExtendTickCount(std::uint64_t previous, std::uint32_t now) {
  std::uint64_t high = previous & ~std::uint64_t{0xFFFFFFFF};
  if (now < static_cast<std::uint32_t>(previous)) high += std::uint64_t{1} << 32;
  return high | now;
}

// Milliseconds since Windows started, from GetTickCount alone. Never goes back; it misses a wrap only when
// nothing asked for 49.7 days.
ULONGLONG TickCount64FromTickCount();

// The system's GetTickCount64 where Windows has one, otherwise TickCount64FromTickCount.
ULONGLONG WINAPI TickCount64();

}  // namespace talv
