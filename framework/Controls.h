// Views of the standard controls a dialog template creates. They never own their window: the dialog does.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "Wnd.h"

class CImageList;

class CStatic : public CWnd {
 public:
  HBITMAP SetBitmap(HBITMAP bitmap);
  HBITMAP GetBitmap() const;
};

class CButton : public CWnd {
 public:
  int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
  void SetCheck(int nCheck) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
};

class CEdit : public CWnd {
 public:
  void SetSel(int nStartChar, int nEndChar) { SendMessage(EM_SETSEL, nStartChar, nEndChar); }
  void ReplaceSel(const char* text, BOOL bCanUndo = FALSE);
  // 0 lifts the limit as far as the control goes.
  void SetLimitText(UINT nMax) { SendMessage(EM_SETLIMITTEXT, nMax); }
};

class CComboBox : public CWnd {
 public:
  int AddString(const char* text);
  int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
  int SetCurSel(int nSelect) { return static_cast<int>(SendMessage(CB_SETCURSEL, nSelect)); }
  DWORD_PTR GetItemData(int nIndex) const { return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, nIndex)); }
  int SetItemData(int nIndex, DWORD_PTR data) { return static_cast<int>(SendMessage(CB_SETITEMDATA, nIndex, data)); }
  std::string GetLBText(int nIndex) const;
  void ResetContent() { SendMessage(CB_RESETCONTENT); }
};

class CListCtrl : public CWnd {
 public:
  HIMAGELIST SetImageList(CImageList* imageList, int nImageListType);
  BOOL SetBkColor(COLORREF color) { return static_cast<BOOL>(SendMessage(LVM_SETBKCOLOR, 0, color)); }
  int InsertItem(int nItem, const char* text, int nImage);
  BOOL GetItemPosition(int nItem, POINT* point) const {
    return static_cast<BOOL>(SendMessage(LVM_GETITEMPOSITION, nItem, reinterpret_cast<LPARAM>(point)));
  }
  BOOL SetItemPosition(int nItem, POINT point) {
    return static_cast<BOOL>(SendMessage(LVM_SETITEMPOSITION32, nItem, reinterpret_cast<LPARAM>(&point)));
  }
  BOOL SetItemImage(int nItem, int nImage);
};

class CProgressCtrl : public CWnd {
 public:
  void SetRange32(int nLower, int nUpper) { SendMessage(PBM_SETRANGE32, nLower, nUpper); }
  int SetPos(int nPos) { return static_cast<int>(SendMessage(PBM_SETPOS, nPos)); }
  int SetStep(int nStep) { return static_cast<int>(SendMessage(PBM_SETSTEP, nStep)); }
  int StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }
};

// Rich Edit 1.0 ("RICHEDIT" class from RICHED32.DLL).
class CRichEditCtrl : public CWnd {
 public:
  // Streams RTF into the current selection: Rich Edit 1.0 formats RTF only when it arrives as a stream.
  bool StreamInRtfSelection(const char* rtf, size_t length);
};
