// CWnd: a window handle with the operations the program uses. A CWnd either owns its window (dialogs it
// created: the window is destroyed with the object) or only views one (controls bound by data exchange,
// which their dialog destroys).
#pragma once
#include <windows.h>
#include <string>
#include "CmdTarget.h"

class CFont;

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  ~CWnd() override;

  HWND m_hWnd = nullptr;

  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // The CWnd object that owns hWnd, or null when the window is not one of ours.
  static CWnd* FromHandlePermanent(HWND hWnd);

  // Binds a window this object does not own.
  void Attach(HWND hWnd) { m_hWnd = hWnd; }
  HWND Detach() {
    HWND h = m_hWnd;
    m_hWnd = nullptr;
    return h;
  }

  virtual BOOL PreTranslateMessage(MSG* pMsg);
  virtual BOOL DestroyWindow();

  CWnd* GetParent() const;
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  void SetWindowText(const char* text);
  void SetWindowText(const std::string& text) { SetWindowText(text.c_str()); }
  std::string GetWindowText() const;

  BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
  BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
  void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
  void ScreenToClient(RECT* rect) const;
  void MoveWindow(int x, int y, int width, int height, BOOL bRepaint = TRUE) {
    ::MoveWindow(m_hWnd, x, y, width, height, bRepaint);
  }
  void SetFont(CFont* font, BOOL bRedraw = TRUE);
  int MessageBox(const char* text, const char* caption, UINT type = MB_OK);

 protected:
  // Makes this object the owner of hWnd, so FromHandlePermanent finds it and the object destroys it.
  void AttachPermanent(HWND hWnd);
  // Called once the window is gone (WM_NCDESTROY).
  void OnWindowGone();

 private:
  bool m_bOwnsWindow = false;
};
