// Owning wrappers for the GDI objects the wizard keeps: fonts and image lists, and owners for loaded bitmaps.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "unique_handle.h"

namespace afx {

template <typename Gdi>
struct GdiObjectTraits {
  using Handle = Gdi;
  static Gdi Empty() { return nullptr; }
  static bool IsValid(Gdi h) { return h != nullptr; }
  static bool Close(Gdi h) { return ::DeleteObject(h) != FALSE; }
};

struct ImageListTraits {
  using Handle = HIMAGELIST;
  static HIMAGELIST Empty() { return nullptr; }
  static bool IsValid(HIMAGELIST h) { return h != nullptr; }
  static bool Close(HIMAGELIST h) { return ImageList_Destroy(h) != FALSE; }
};

using ScopedBitmap = base::UniqueHandle<GdiObjectTraits<HBITMAP>>;
using ScopedFont = base::UniqueHandle<GdiObjectTraits<HFONT>>;
using ScopedImageList = base::UniqueHandle<ImageListTraits>;

}  // namespace afx

class CFont {
 public:
  // nPointSize in tenths of a point, converted for the screen as dialogs measure fonts.
  BOOL CreatePointFont(int nPointSize, const char* faceName);
  BOOL CreateFontIndirect(const LOGFONTW* logFont);
  // Fills logFont from the font; false when there is no font.
  BOOL GetLogFont(LOGFONTW* logFont) const;
  HFONT GetSafeHandle() const { return m_font.Get(); }
  operator HFONT() const { return m_font.Get(); }

 private:
  afx::ScopedFont m_font;
};

class CImageList {
 public:
  // Builds the list from a bitmap strip of the application's resources; crMask is the transparent colour.
  BOOL Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask);
  HIMAGELIST GetSafeHandle() const { return m_list.Get(); }
  int GetImageCount() const { return m_list.IsValid() ? ImageList_GetImageCount(m_list.Get()) : 0; }

 private:
  afx::ScopedImageList m_list;
};
