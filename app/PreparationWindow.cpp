#include "PreparationWindow.h"

#include <commctrl.h>

#include "resource.h"

namespace {

constexpr UINT WM_PREPARATION_FINISHED = WM_APP + 1;
// The bar counts in units of this many bytes, so that packages past 2 GiB fit its 32-bit range.
constexpr int kBarShift = 16;
constexpr int kWidth = 380;
constexpr int kHeight = 130;

HWND Child(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, int y, int height) {
  HWND child = ::CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, 16, y, kWidth - 40, height,
                                 parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return child;
}

}  // namespace

PreparationWindow::PreparationWindow(HWND owner, uint64_t packageBytes) { Create(owner, packageBytes); }

void PreparationWindow::Update(uint64_t bytesRead, std::optional<bool> product) {
  if (!m_window.IsValid()) return;
  if (product.has_value() && !m_productShown) {
    ::SetWindowTextW(m_productText, *product ? L"Talvenia" : L"Fendro");
    m_productShown = true;
  }
  ::SendMessageW(m_bar, PBM_SETPOS, static_cast<WPARAM>(bytesRead >> kBarShift), 0);
  ::UpdateWindow(m_window.Get());
}

void PreparationWindow::Finish() {
  if (!m_window.IsValid()) return;
  // Handled by the wizard's modal loop, which starts once the wizard is on screen.
  ::PostMessageW(m_window.Get(), WM_PREPARATION_FINISHED, 0, 0);
}

void PreparationWindow::Create(HWND owner, uint64_t packageBytes) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  if (!::GetClassInfoExW(instance, kPreparationWindowClass, &windowClass)) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &PreparationWindow::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32650));  // IDC_APPSTARTING: busy, yet movable
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kPreparationWindowClass;
    if (::RegisterClassExW(&windowClass) == 0) return;
  }
  RECT work = {};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - kWidth) / 2;
  const int y = work.top + (work.bottom - work.top - kHeight) / 2;
  m_window.Reset(::CreateWindowExW(WS_EX_APPWINDOW, kPreparationWindowClass, L"Installatore",
                                   WS_POPUP | WS_CAPTION | WS_BORDER, x, y, kWidth, kHeight, nullptr, nullptr, instance,
                                   nullptr));
  if (!m_window.IsValid()) return;
  // Not an owned window: it keeps its taskbar button while the wizard it belongs to is hidden.
  ::SetWindowLongPtrW(m_window.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
  m_productText = Child(m_window.Get(), L"STATIC", L"", SS_LEFT, 12, 18);
  Child(m_window.Get(), L"STATIC", L"Preparazione dell'installazione in corso...", SS_LEFT, 32, 18);
  m_bar = Child(m_window.Get(), PROGRESS_CLASSW, L"", 0, 58, 18);
  ::SendMessageW(m_bar, PBM_SETRANGE32, 0, static_cast<LPARAM>((2 * packageBytes) >> kBarShift));
  ::ShowWindow(m_window.Get(), SW_SHOWNORMAL);
  ::UpdateWindow(m_window.Get());
}

LRESULT CALLBACK PreparationWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PREPARATION_FINISHED) {
    ::DestroyWindow(window);
    return 0;
  }
  // The wizard decides: a close stops the preparation and ends the program, the end of the session finds the
  // temporary files gone before it is answered.
  const HWND wizard = reinterpret_cast<HWND>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_CLOSE:
      if (wizard != nullptr) ::SendMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      return 0;
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION:
      if (wizard != nullptr) return ::SendMessageW(wizard, message, wParam, lParam);
      break;
    default: break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}
