// The bounded wait for the handheld's answer, on a clock that the test sets: a tick counter that wraps during
// the wait must neither cut it short nor stretch it.
#include <windows.h>
#include <gtest/gtest.h>
#include <atomic>
#include "rapi_connection.h"

namespace {

// The clock the wait sees: real milliseconds since the case began, from a chosen start, plus jumps.
DWORD g_fakeStart = 0;
DWORD g_realStart = 0;
std::atomic<DWORD> g_jump{0};
DWORD FakeTicks() { return g_fakeStart + (::GetTickCount() - g_realStart) + g_jump.load(); }

DWORD g_jumpBy = 0;
void CALLBACK JumpTheClock(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  g_jump += g_jumpBy;  // as if dispatching this message had taken that long
}

const char* Name(RapiWaitResult r) {
  switch (r) {
    case RapiWaitResult::Answered: return "Answered";
    case RapiWaitResult::Refused: return "Refused";
    case RapiWaitResult::TimedOut: return "TimedOut";
    case RapiWaitResult::QuitSeen: return "QuitSeen";
    case RapiWaitResult::WaitFailed: return "WaitFailed";
  }
  return "?";
}

// The handheld's side: keeps the waiting thread busy with messages and answers at a set time. A wait that
// stretches past its time-out runs into the answer instead of hanging the test.
class Handheld {
 public:
  Handheld(DWORD waiterThread, DWORD answerAtMs, HRESULT answer)
      : m_waiter(waiterThread), m_answerAtMs(answerAtMs), m_answer(answer) {
    m_event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr);
  }
  ~Handheld() {
    m_stop = true;
    ::WaitForSingleObject(m_thread, INFINITE);
    ::CloseHandle(m_thread);
    ::CloseHandle(m_event);
  }
  HANDLE Event() const { return m_event; }
  const HRESULT* Result() const { return &m_hr; }

 private:
  static DWORD WINAPI Run(void* self) {
    auto* h = static_cast<Handheld*>(self);
    const DWORD start = ::GetTickCount();
    while (!h->m_stop) {
      if (::GetTickCount() - start >= h->m_answerAtMs && ::WaitForSingleObject(h->m_event, 0) == WAIT_TIMEOUT) {
        h->m_hr = h->m_answer;
        ::SetEvent(h->m_event);
      }
      ::PostThreadMessageW(h->m_waiter, WM_USER, 0, 0);
      ::Sleep(40);
    }
    return 0;
  }
  DWORD m_waiter, m_answerAtMs;
  HRESULT m_answer, m_hr = 0;
  HANDLE m_event, m_thread;
  std::atomic<bool> m_stop{false};
};

struct WaitCase {
  const char* label;
  DWORD startTick;
  DWORD jumpAtMs;  // 0: the clock never jumps
  DWORD jumpBy;
  DWORD answerAtMs;
  HRESULT answer;
  RapiWaitResult expected;
  // Real time the wait took. A stretched wait runs into the answer at 3000 ms and shows in the result; the
  // upper bound only keeps a slow machine from failing the test.
  DWORD atLeastMs, belowMs;
};

constexpr DWORD kTimeout = 1000;
constexpr DWORD kTop = 0xFFFFFFFFu;

TEST(RapiWait, ClockWrapNeitherCutsNorStretchesTheWait) {
  const WaitCase cases[] = {
      {"no wrap", 0x10000000u, 0, 0, 3000, S_OK, RapiWaitResult::TimedOut, 950, 2500},
      {"counter at its top", kTop, 0, 0, 3000, S_OK, RapiWaitResult::TimedOut, 950, 2500},
      {"deadline beyond the wrap", kTop - 100, 0, 0, 3000, S_OK, RapiWaitResult::TimedOut, 950, 2500},
      {"wrap in the middle", kTop - 500, 0, 0, 3000, S_OK, RapiWaitResult::TimedOut, 950, 2500},
      {"counter wraps as the time runs out", kTop - 999, 0, 0, 3000, S_OK, RapiWaitResult::TimedOut, 950, 2500},
      {"dispatch ends past the deadline", 0x1000, 600, 500, 3000, S_OK, RapiWaitResult::TimedOut, 550, 2500},
      {"dispatch ends past the deadline and the wrap", kTop - 1100, 600, 800, 3000, S_OK, RapiWaitResult::TimedOut, 550,
       2500},
      {"answer across the wrap", kTop - 50, 0, 0, 300, S_OK, RapiWaitResult::Answered, 250, 2500},
      {"refusal across the wrap", kTop - 50, 0, 0, 300, E_FAIL, RapiWaitResult::Refused, 250, 2500},
  };
  for (const WaitCase& c : cases) {
    SCOPED_TRACE(c.label);
    g_fakeStart = c.startTick;
    g_jump = 0;
    g_jumpBy = c.jumpBy;
    g_realStart = ::GetTickCount();
    Handheld handheld(::GetCurrentThreadId(), c.answerAtMs, c.answer);
    UINT_PTR timer = c.jumpAtMs != 0 ? ::SetTimer(nullptr, 0, c.jumpAtMs, JumpTheClock) : 0;
    const RapiWaitResult result = WaitForRapiAnswer(handheld.Event(), handheld.Result(), kTimeout, FakeTicks);
    const DWORD took = ::GetTickCount() - g_realStart;
    if (timer != 0) ::KillTimer(nullptr, timer);
    EXPECT_EQ(Name(result), std::string(Name(c.expected)));
    EXPECT_GE(took, c.atLeastMs) << "the wait was cut short";
    EXPECT_LT(took, c.belowMs) << "the wait was stretched";
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
}

TEST(RapiWait, AWaitThatCannotStartFails) {
  const HRESULT hr = S_OK;
  EXPECT_EQ(Name(WaitForRapiAnswer(nullptr, &hr, kTimeout, FakeTicks)), std::string("WaitFailed"));
}

}  // namespace
