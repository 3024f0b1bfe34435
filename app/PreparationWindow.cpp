#include "PreparationWindow.h"

#include <commctrl.h>

#include "resource.h"

namespace {

constexpr UINT WM_PREPARATION_FINISHED = WM_APP + 1;
constexpr DWORD kDrawEveryMs = 50;
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

PreparationWindow::PreparationWindow(uint64_t packageBytes) : m_pace(packageBytes), m_packageBytes(packageBytes) {}

void PreparationWindow::BeginPhase(talv::PreparationPhase phase) { m_pace.BeginPhase(phase, ElapsedMs()); }

void PreparationWindow::Read(uint64_t bytes) {
  m_bytesRead += bytes;
  m_pace.Read(bytes);
  if (!m_window.IsValid()) {
    if (!m_pace.ShouldShow(ElapsedMs())) return;
    Create();
  }
  if (::GetTickCount() - m_lastDraw >= kDrawEveryMs) Draw();
}

void PreparationWindow::ArchiveBegins(const unsigned char* bytes, size_t count) {
  if (count == 0) return;
  m_product = bytes[0] != 0 ? L"Talvenia" : L"Fendro";
  if (m_window.IsValid()) ::SetWindowTextW(m_productText, m_product.c_str());
}

void PreparationWindow::Finish() {
  if (!m_window.IsValid()) return;
  Draw();
  // Handled by the wizard's modal loop, which starts once the wizard is on screen.
  ::PostMessageW(m_window.Get(), WM_PREPARATION_FINISHED, 0, 0);
}

void PreparationWindow::Create() {
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
  m_productText = Child(m_window.Get(), L"STATIC", m_product.c_str(), SS_LEFT, 12, 18);
  Child(m_window.Get(), L"STATIC", L"Preparazione dell'installazione in corso...", SS_LEFT, 32, 18);
  m_bar = Child(m_window.Get(), PROGRESS_CLASSW, L"", 0, 58, 18);
  ::SendMessageW(m_bar, PBM_SETRANGE32, 0, static_cast<LPARAM>((2 * m_packageBytes) >> kBarShift));
  ::ShowWindow(m_window.Get(), SW_SHOWNORMAL);
  Draw();
}

void PreparationWindow::Draw() {
  m_lastDraw = ::GetTickCount();
  ::SendMessageW(m_bar, PBM_SETPOS, static_cast<WPARAM>(m_bytesRead >> kBarShift), 0);
  HandleMessages();
  ::UpdateWindow(m_window.Get());
}

void PreparationWindow::HandleMessages() {
  // Only this window's messages: the wizard, not yet on screen, gets its own once its loop runs.
  MSG message;
  while (::PeekMessageW(&message, m_window.Get(), 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));  // the wizard's loop is the one that ends on it
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

LRESULT CALLBACK PreparationWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PREPARATION_FINISHED: ::DestroyWindow(window); return 0;
    case WM_CLOSE: return 0;  // the preparation cannot be stopped halfway; the wizard that follows can be closed
    default: return ::DefWindowProcW(window, message, wParam, lParam);
  }
}
