#include "rapi_connection.h"

RapiWaitResult WaitForRapiAnswer(HANDLE initEvent, const HRESULT* hrInit, DWORD timeoutMs, TickCountFn tickCount,
                                 void (*onWake)(), BOOL (*preTranslate)(MSG*), std::optional<int>* quitCode) {
  const DWORD start = tickCount();
  for (;;) {
    const DWORD elapsed = tickCount() - start;  // unsigned: right across a wrap of the counter
    if (elapsed >= timeoutMs) return RapiWaitResult::TimedOut;
    if (onWake != nullptr) onWake();
    DWORD wait = ::MsgWaitForMultipleObjects(1, &initEvent, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) return FAILED(*hrInit) ? RapiWaitResult::Refused : RapiWaitResult::Answered;
    if (wait != WAIT_OBJECT_0 + 1) return wait == WAIT_TIMEOUT ? RapiWaitResult::TimedOut : RapiWaitResult::WaitFailed;
    MSG msg;
    UINT last = 0;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      last = msg.message;
      if (last == WM_QUIT) {
        if (quitCode != nullptr) *quitCode = static_cast<int>(msg.wParam);
        break;
      }
      if (preTranslate != nullptr && preTranslate(&msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    if (last == WM_QUIT) return RapiWaitResult::QuitSeen;
  }
}
