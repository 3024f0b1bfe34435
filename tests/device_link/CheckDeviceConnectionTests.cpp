// Opening the link: docked, undocked, refusing and unreachable handhelds, two checks in a row, a quit request
// during the wait, and the user interface kept alive (messages dispatched, wait cursor shown) meanwhile.
#include <gtest/gtest.h>
#include "DeviceLinkFixture.h"
#include "rapi.h"

namespace device_link_test {
namespace {

// How a check ended, and what it left behind.
struct CheckOutcome {
  bool result = false;
  unsigned char flag = 0xFF;
  DWORD elapsedMs = 0;
};

class ConnectionTest : public DeviceLinkTest {
 protected:
  // The calls of one check. An earlier link of this process, whichever test opened it, is ended first: that
  // first call is checked where it matters (two checks in a row), and dropped here.
  std::vector<std::string> TakeCheckTrace() {
    std::vector<std::string> trace = TakeTrace();
    if (!trace.empty() && trace.front() == "CeRapiUninit") trace.erase(trace.begin());
    return trace;
  }
  CheckOutcome Check() {
    CheckOutcome out;
    const DWORD start = ::GetTickCount();
    out.result = wizard->CheckDeviceConnection();
    out.elapsedMs = ::GetTickCount() - start;
    out.flag = wizard->GetState().m_bDeviceConnected;
    return out;
  }
  // No link may stay set up after a failed check: a fresh start-up must be accepted at once.
  void ExpectNoLinkLeftOpen() {
    RAPIINIT init = {sizeof(RAPIINIT), nullptr, 0};
    const HRESULT hr = CeRapiInitEx(&init);
    EXPECT_EQ(hr, S_OK) << "the check left a link set up (0x80041001 means: already initialised)";
    if (SUCCEEDED(hr)) CeRapiUninit();
    TakeTrace();
  }
};

struct ConnectionCase {
  const char* label;
  bool connected;
  int answerMs;
  long initResult;
  bool expected;
  DWORD atLeastMs;
  DWORD belowMs;
};

TEST_F(ConnectionTest, ResultFlagAndLinkFollowTheHandheld) {
  const ConnectionCase cases[] = {
      {"docked", true, 200, 0, true, 150, 4000},
      {"undocked: the whole wait", false, 0, 0, false, 4900, 8000},
      {"docked but refusing", true, 100, static_cast<long>(0x80004005), false, 50, 4000},
      {"answers after the time-out", true, 6500, 0, false, 4900, 6400},
  };
  for (const ConnectionCase& c : cases) {
    SCOPED_TRACE(c.label);
    device.connected = c.connected;
    device.answerMs = c.answerMs;
    device.initResult = c.initResult;
    ApplyDevice();
    const CheckOutcome out = Check();
    EXPECT_EQ(out.result, c.expected);
    EXPECT_EQ(out.flag, c.expected ? 1 : 0);
    EXPECT_GE(out.elapsedMs, c.atLeastMs);
    EXPECT_LT(out.elapsedMs, c.belowMs);
    EXPECT_FALSE(WaitCursorShown()) << "the wait cursor was not ended";
    const std::vector<std::string> trace = TakeCheckTrace();
    if (c.expected) {
      EXPECT_EQ(trace, (std::vector<std::string>{"CeRapiInitEx"})) << Join(trace);
      // The link stays open for the device operations that follow.
      EXPECT_TRUE(wizard->CopyFileToDevice(nullptr, 0, "\\Windows\\probe.bin"));
      TakeTrace();
    } else {
      EXPECT_EQ(trace, (std::vector<std::string>{"CeRapiInitEx", "CeRapiUninit"})) << Join(trace);
      ExpectNoLinkLeftOpen();
    }
  }
}

TEST_F(ConnectionTest, EveryCheckEndsThePreviousLinkFirstAndRewritesTheFlag) {
  ApplyDevice();
  ASSERT_TRUE(Check().result);
  TakeTrace();
  ASSERT_TRUE(Check().result);
  std::vector<std::string> trace = TakeTrace();
  EXPECT_EQ(trace, (std::vector<std::string>{"CeRapiUninit", "CeRapiInitEx"})) << Join(trace);

  device.connected = false;  // undocked after a good check: the flag must fall back
  ApplyDevice();
  CheckOutcome out = Check();
  EXPECT_FALSE(out.result);
  EXPECT_EQ(out.flag, 0);
  device.connected = true;
  ApplyDevice();
  out = Check();
  EXPECT_TRUE(out.result);
  EXPECT_EQ(out.flag, 1);
}

TEST_F(ConnectionTest, AStartUpThatFailsAtOnceIsNotUndone) {
  ApplyDevice();
  ASSERT_TRUE(Check().result);
  TakeTrace();
  // The device folder cannot be made: CeRapiInitEx itself fails, so there is nothing to end.
  const std::wstring blocker = deviceFolder + L"\\blocker";
  ASSERT_TRUE(ui_test::WriteWholeFile(blocker, "a file, not a folder"));
  ::SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", (blocker + L"\\device").c_str());
  const CheckOutcome out = Check();
  ::SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", deviceFolder.c_str());
  EXPECT_FALSE(out.result);
  EXPECT_EQ(out.flag, 0);
  EXPECT_LT(out.elapsedMs, 2000u) << "a refused start-up needs no wait";
  // Traced in the folder of the earlier link: its end, the failed start, and nothing after.
  const std::vector<std::string> trace = TakeTrace();
  EXPECT_EQ(trace, (std::vector<std::string>{"CeRapiUninit", "CeRapiInitEx"})) << Join(trace);
}

// Posts to a thread after a delay, from a thread of its own.
class DelayedPost {
 public:
  DelayedPost(DWORD threadId, DWORD delayMs, std::vector<UINT> messages)
      : m_threadId(threadId), m_delayMs(delayMs), m_messages(std::move(messages)) {
    m_thread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr);
  }
  ~DelayedPost() {
    ::WaitForSingleObject(m_thread, INFINITE);
    ::CloseHandle(m_thread);
  }

 private:
  static DWORD WINAPI Run(void* self) {
    auto* post = static_cast<DelayedPost*>(self);
    ::Sleep(post->m_delayMs);
    for (UINT message : post->m_messages) ::PostThreadMessageW(post->m_threadId, message, 0, 0);
    return 0;
  }
  DWORD m_threadId;
  DWORD m_delayMs;
  std::vector<UINT> m_messages;
  HANDLE m_thread;
};

bool QueueHolds(UINT message) {
  MSG msg;
  return ::PeekMessageW(&msg, nullptr, message, message, PM_REMOVE) != FALSE;
}

struct QuitCase {
  const char* label;
  bool connected;
  int answerMs;
  std::vector<UINT> posted;
  bool postedBeforeTheWait;  // all of them in the queue when the wait first looks
  bool userMessageLeft;      // a message behind the quit stays for the program's own loop
};

TEST_F(ConnectionTest, AQuitRequestDuringTheWaitEndsItAsFailureAndIsConsumed) {
  const QuitCase cases[] = {
      {"undocked", false, 0, {WM_QUIT}, false, false},
      {"docked, slow to answer", true, 3000, {WM_QUIT}, false, false},
      {"quit with another message behind it", false, 0, {WM_QUIT, WM_USER + 7}, true, true},
  };
  ::PeekMessageW(nullptr, nullptr, 0, 0, PM_NOREMOVE);  // this thread gets its queue before the posts
  for (const QuitCase& c : cases) {
    SCOPED_TRACE(c.label);
    device.connected = c.connected;
    device.answerMs = c.answerMs;
    ApplyDevice();
    CheckOutcome out;
    if (c.postedBeforeTheWait) {
      for (UINT message : c.posted) ::PostThreadMessageW(::GetCurrentThreadId(), message, 0, 0);
      out = Check();
    } else {
      DelayedPost post(::GetCurrentThreadId(), 300, c.posted);
      out = Check();
    }
    EXPECT_FALSE(out.result);
    EXPECT_EQ(out.flag, 0);
    EXPECT_LT(out.elapsedMs, 2500u) << "the quit request did not end the wait";
    EXPECT_FALSE(QueueHolds(WM_QUIT)) << "the quit request was put back";
    EXPECT_EQ(QueueHolds(WM_USER + 7), c.userMessageLeft);
    const std::vector<std::string> trace = TakeCheckTrace();
    EXPECT_EQ(trace, (std::vector<std::string>{"CeRapiInitEx", "CeRapiUninit"})) << Join(trace);
    ExpectNoLinkLeftOpen();
  }
}

// The timer callback runs inside the check's wait.
int g_timerCalls = 0;
bool g_waitCursorDuringCheck = false;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) {
  ++g_timerCalls;
  g_waitCursorDuringCheck = g_waitCursorDuringCheck || WaitCursorShown();
}

TEST_F(ConnectionTest, MessagesAreDispatchedUnderTheWaitCursorWhileTheHandheldIsAwaited) {
  device.answerMs = 1000;
  ApplyDevice();
  g_timerCalls = 0;
  g_waitCursorDuringCheck = false;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, CountTick);
  ASSERT_NE(timer, 0u);
  const CheckOutcome out = Check();
  ::KillTimer(nullptr, timer);
  EXPECT_TRUE(out.result);
  EXPECT_GE(g_timerCalls, 5) << "the timer was not served while the check waited";
  EXPECT_TRUE(g_waitCursorDuringCheck) << "no wait cursor during the check";
  EXPECT_FALSE(WaitCursorShown()) << "the wait cursor outlived the check";
}

}  // namespace
}  // namespace device_link_test
