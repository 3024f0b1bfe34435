#include "Gdi.h"

#include <cwchar>
#include "latin1_text.h"
#include "WinApp.h"

BOOL CFont::CreatePointFont(int nPointSize, const char* faceName) {
  LOGFONTW logFont = {};
  HDC screen = ::GetDC(nullptr);
  logFont.lfHeight = -::MulDiv(nPointSize, ::GetDeviceCaps(screen, LOGPIXELSY), 720);
  ::ReleaseDC(nullptr, screen);
  logFont.lfCharSet = DEFAULT_CHARSET;
  std::wstring face = base::Widen(faceName);
  wcsncpy(logFont.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return CreateFontIndirect(&logFont);
}

BOOL CFont::CreateFontIndirect(const LOGFONTW* logFont) {
  m_font.Reset(::CreateFontIndirectW(logFont));
  return m_font.IsValid();
}

BOOL CFont::GetLogFont(LOGFONTW* logFont) const {
  if (!m_font.IsValid()) return FALSE;
  return ::GetObjectW(m_font.Get(), sizeof(LOGFONTW), logFont) == sizeof(LOGFONTW);
}

BOOL CImageList::Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask) {
  m_list.Reset(::ImageList_LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nBitmapID), cx, nGrow, crMask,
                                      IMAGE_BITMAP, LR_CREATEDIBSECTION));
  return m_list.IsValid();
}
