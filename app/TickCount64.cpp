// The posix-threads runtime that the toolchain links into every program (libwinpthread) was built for Windows
// Vista and later: it calls GetTickCount64 through the import pointer __imp_GetTickCount64. This file defines
// that pointer itself, so the linker takes no import for it from libkernel32.a and the name stays out of the
// import table; Windows XP and Server 2003 then load the program, and the runtime's timed waits count on
// TickCount64. Every program that must load there links this file as an object of its own (not from a static
// library, which the linker would consult only after the import library had already answered).
#include "TickCount64.h"

#include <atomic>

namespace talv {
namespace {

using TickCountFunction = ULONGLONG(WINAPI*)();

// Constant-initialised: the runtime may count before any constructor of ours has run.
std::atomic<std::uint64_t> g_lastTickCount{0};
// Null until looked up; the look-up has no lock of its own (a static guard would take the runtime's locks,
// whose waits come back here): two threads that race both find the same answer.
std::atomic<TickCountFunction> g_systemTickCount{nullptr};
std::atomic<bool> g_systemTickCountKnown{false};

TickCountFunction SystemTickCount() {
  if (!g_systemTickCountKnown.load(std::memory_order_acquire)) {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    FARPROC found = kernel != nullptr ? ::GetProcAddress(kernel, "GetTickCount64") : nullptr;
    g_systemTickCount.store(reinterpret_cast<TickCountFunction>(reinterpret_cast<void (*)()>(found)),
                            std::memory_order_relaxed);
    g_systemTickCountKnown.store(true, std::memory_order_release);
  }
  return g_systemTickCount.load(std::memory_order_relaxed);
}

}  // namespace

ULONGLONG TickCount64FromTickCount() {
  std::uint64_t last = g_lastTickCount.load();
  for (;;) {
    // Read the counter again on every try: a reading taken before another thread moved the count on would
    // look like a wrap.
    std::uint64_t next = ExtendTickCount(last, ::GetTickCount());
    if (g_lastTickCount.compare_exchange_weak(last, next)) return next;
  }
}

ULONGLONG WINAPI TickCount64() {
  TickCountFunction system = SystemTickCount();
  return system != nullptr ? system() : TickCount64FromTickCount();
}

}  // namespace talv

// The import pointer as the runtime's objects name it (32-bit names carry the stdcall decoration).
#if defined(_WIN64)
#define TALV_GETTICKCOUNT64_IMPORT "__imp_GetTickCount64"
#else
#define TALV_GETTICKCOUNT64_IMPORT "__imp__GetTickCount64@0"
#endif
extern "C" {
extern ULONGLONG(WINAPI* const talv_GetTickCount64Import)() __asm__(TALV_GETTICKCOUNT64_IMPORT);
ULONGLONG(WINAPI* const talv_GetTickCount64Import)() = &talv::TickCount64;
}
