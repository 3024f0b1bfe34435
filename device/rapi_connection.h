// Waiting for the handheld to answer a RAPI start-up while the user interface stays alive.
#pragma once
#include <windows.h>
#include <optional>

enum class RapiWaitResult {
  Answered,    // the start-up event came with a success code
  Refused,     // the event came with a failure code
  TimedOut,    // the time ran out, in the wait or while dispatching messages
  QuitSeen,    // a WM_QUIT was removed from the queue (it is not posted again; its exit code is handed back)
  WaitFailed,  // the wait itself failed
};

using TickCountFn = DWORD (*)();

// Waits up to timeoutMs for initEvent, dispatching every message that arrives meanwhile. hrInit is read once
// the event is signalled. The remaining time is measured as elapsed ticks, so a tick counter that wraps during
// the wait neither stretches nor cuts it. onWake runs before each wait (the caller restores its wait cursor).
// preTranslate, when given, sees each message first, as the caller's own loop would let it (a dialog's keyboard
// handling); a message it handles is not dispatched. A removed WM_QUIT's exit code goes to *quitCode when
// given (untouched otherwise): the quit was meant for the caller's loop, which decides what it does.
RapiWaitResult WaitForRapiAnswer(HANDLE initEvent, const HRESULT* hrInit, DWORD timeoutMs, TickCountFn tickCount,
                                 void (*onWake)() = nullptr, BOOL (*preTranslate)(MSG*) = nullptr,
                                 std::optional<int>* quitCode = nullptr);
