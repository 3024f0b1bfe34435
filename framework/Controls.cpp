#include "Controls.h"

#include <richedit.h>
#include <cstring>
#include "Gdi.h"
#include "latin1_text.h"

HBITMAP CStatic::SetBitmap(HBITMAP bitmap) {
  return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
}

HBITMAP CStatic::GetBitmap() const { return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP)); }

void CEdit::ReplaceSel(const char* text, BOOL bCanUndo) {
  std::wstring wide = base::Widen(text);
  SendMessage(EM_REPLACESEL, bCanUndo, reinterpret_cast<LPARAM>(wide.c_str()));
}

int CComboBox::AddString(const char* text) {
  std::wstring wide = base::Widen(text);
  return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}

std::string CComboBox::GetLBText(int nIndex) const {
  LRESULT length = SendMessage(CB_GETLBTEXTLEN, nIndex);
  if (length == CB_ERR) return std::string();
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  SendMessage(CB_GETLBTEXT, nIndex, reinterpret_cast<LPARAM>(buffer.data()));
  buffer.resize(static_cast<size_t>(length));
  return base::Narrow(buffer);
}

HIMAGELIST CListCtrl::SetImageList(CImageList* imageList, int nImageListType) {
  return reinterpret_cast<HIMAGELIST>(
      SendMessage(LVM_SETIMAGELIST, nImageListType, reinterpret_cast<LPARAM>(imageList->GetSafeHandle())));
}

int CListCtrl::InsertItem(int nItem, const char* text, int nImage) {
  std::wstring wide = base::Widen(text);
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = nItem;
  item.pszText = wide.data();
  item.iImage = nImage;
  return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemImage(int nItem, int nImage) {
  LVITEMW item = {};
  item.mask = LVIF_IMAGE;
  item.iItem = nItem;
  item.iImage = nImage;
  return static_cast<BOOL>(SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

namespace {
struct RtfSource {
  const char* data;
  size_t remaining;
};

DWORD CALLBACK ReadRtf(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read) {
  auto* source = reinterpret_cast<RtfSource*>(cookie);
  size_t n = source->remaining < static_cast<size_t>(size) ? source->remaining : static_cast<size_t>(size);
  std::memcpy(buffer, source->data, n);
  source->data += n;
  source->remaining -= n;
  *read = static_cast<LONG>(n);
  return 0;
}
}  // namespace

bool CRichEditCtrl::StreamInRtfSelection(const char* rtf, size_t length) {
  RtfSource source{rtf, length};
  EDITSTREAM stream = {};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
  stream.pfnCallback = ReadRtf;
  SendMessage(EM_STREAMIN, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&stream));
  return stream.dwError == 0;
}
