// Move-only owners for Win32 handles. Null and INVALID_HANDLE_VALUE both count as "no handle".
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <utility>

namespace afx {

template <typename Handle, typename Traits>
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(Handle h) : m_h(h) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : m_h(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  Handle Get() const { return m_h; }
  operator Handle() const { return m_h; }
  bool IsValid() const { return Traits::IsValid(m_h); }
  Handle Release() { return std::exchange(m_h, Traits::Empty()); }
  void Reset(Handle h = Traits::Empty()) {
    if (Traits::IsValid(m_h)) Traits::Close(m_h);
    m_h = h;
  }

 private:
  Handle m_h = Traits::Empty();
};

struct KernelHandleTraits {
  static HANDLE Empty() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};

template <typename Gdi>
struct GdiObjectTraits {
  static Gdi Empty() { return nullptr; }
  static bool IsValid(Gdi h) { return h != nullptr; }
  static void Close(Gdi h) { ::DeleteObject(h); }
};

struct IconTraits {
  static HICON Empty() { return nullptr; }
  static bool IsValid(HICON h) { return h != nullptr; }
  static void Close(HICON h) { ::DestroyIcon(h); }
};

struct ImageListTraits {
  static HIMAGELIST Empty() { return nullptr; }
  static bool IsValid(HIMAGELIST h) { return h != nullptr; }
  static void Close(HIMAGELIST h) { ImageList_Destroy(h); }
};

using ScopedKernelHandle = ScopedHandle<HANDLE, KernelHandleTraits>;
using ScopedBitmap = ScopedHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using ScopedFont = ScopedHandle<HFONT, GdiObjectTraits<HFONT>>;
using ScopedIcon = ScopedHandle<HICON, IconTraits>;
using ScopedImageList = ScopedHandle<HIMAGELIST, ImageListTraits>;

}  // namespace afx
