// What the user sees while the package is prepared, before the wizard can show: a small window of the
// program's own with the product's name once the package has told it, the words "Preparazione
// dell'installazione in corso..." and a bar of the package's bytes read so far. It appears only when the
// preparation takes long (talv::PreparationPace) and goes once the wizard has appeared.
//
// It lives on the user-interface thread, which only shows it while the preparation runs on a thread of its
// own: it paints, moves and comes to the front when asked. A close of it (Alt+F4, the taskbar's "Close
// window") and the end of the session reach the wizard, which decides them as every other request.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>

#include "unique_handle.h"

// Its window class: a second copy of the program looks for it to bring it to the front.
constexpr wchar_t kPreparationWindowClass[] = L"TalveniaInstaller.Preparation";

class PreparationWindow {
 public:
  // owner: the wizard, not yet on screen; packageBytes: the package's size, read twice (the copy, then the
  // decompression). The window shows at once.
  PreparationWindow(HWND owner, uint64_t packageBytes);

  // bytesRead: of the package and its copy so far; product: the archive's product flag once known.
  void Update(uint64_t bytesRead, std::optional<bool> product);
  // The preparation is over. The window goes once the messages queued by then are handled: after the wizard
  // has been shown.
  void Finish();

 private:
  struct WindowTraits {
    using Handle = HWND;
    static HWND Empty() { return nullptr; }
    static bool IsValid(HWND h) { return h != nullptr; }
    static bool Close(HWND h) { return !::IsWindow(h) || ::DestroyWindow(h) != FALSE; }
  };
  using UniqueWindow = base::UniqueHandle<WindowTraits>;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Create(HWND owner, uint64_t packageBytes);

  UniqueWindow m_window;
  HWND m_productText = nullptr;  // children of m_window
  HWND m_bar = nullptr;
  bool m_productShown = false;
};
