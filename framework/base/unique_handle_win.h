// The Windows kinds of handle for base::UniqueHandle: kernel objects and directory searches.
#pragma once

#include <windows.h>

#include "unique_handle.h"

namespace base {

struct KernelHandleTraits {
  using Handle = HANDLE;
  static HANDLE Empty() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool Close(HANDLE h) { return ::CloseHandle(h) != FALSE; }
};

struct FindHandleTraits {
  using Handle = HANDLE;
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool Close(HANDLE h) { return ::FindClose(h) != FALSE; }
};

// Files, events, mutexes, threads and processes: closed with CloseHandle.
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
// A FindFirstFileW search: closed with FindClose.
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;

}  // namespace base
