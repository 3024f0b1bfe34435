// What the user sees while the package is prepared, before the wizard can show: a small window of the
// program's own with the product's name once the package has told it, the words "Preparazione
// dell'installazione in corso..." and a bar of the package's bytes read so far. It appears only when the
// preparation takes long (talv::PreparationPace) and goes once the wizard has appeared.
//
// It lives on the user-interface thread, which is busy preparing: each block read redraws the bar now and
// then and handles the window's own messages, so it paints, moves and comes to the front when asked.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "preparation_progress.h"
#include "unique_handle.h"

// Its window class: a second copy of the program looks for it to bring it to the front.
constexpr wchar_t kPreparationWindowClass[] = L"TalveniaInstaller.Preparation";

class PreparationWindow : public talv::PreparationProgress {
 public:
  // packageBytes: the package's size; it is read twice (the copy, then the decompression).
  explicit PreparationWindow(uint64_t packageBytes);

  void BeginPhase(talv::PreparationPhase phase);
  void Read(uint64_t bytes) override;
  void ArchiveBegins(const unsigned char* bytes, size_t count) override;
  // The preparation is over. A window on screen goes once the messages queued by then are handled: after
  // the wizard has been shown.
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
  uint32_t ElapsedMs() const { return ::GetTickCount() - m_startTick; }
  void Create();
  void Draw();
  void HandleMessages();

  talv::PreparationPace m_pace;
  uint64_t m_packageBytes;
  uint64_t m_bytesRead = 0;
  DWORD m_startTick = ::GetTickCount();
  DWORD m_lastDraw = 0;
  std::wstring m_product;  // empty until the archive's first byte has come
  UniqueWindow m_window;
  HWND m_productText = nullptr;  // children of m_window
  HWND m_bar = nullptr;
};
