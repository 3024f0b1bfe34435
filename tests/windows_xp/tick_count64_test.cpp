// The GetTickCount64 that the product's threads runtime gets in place of the Vista import.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "TickCount64.h"

namespace {

struct Extension {
  std::uint64_t previous;
  std::uint32_t now;
  std::uint64_t expected;
};

TEST(TickCount64, ExtendsTheThirtyTwoBitCounterAcrossWraps) {
  const Extension cases[] = {
      {0, 5, 5},                                      // the first reading
      {5, 5, 5},                                      // the same reading is no wrap
      {0x100000010ull, 0x20, 0x100000020ull},         // the wraps already counted stay
      {0xFFFFFFF0ull, 0x10, 0x100000010ull},          // a wrap
      {0x2FFFFFFFFull, 0, 0x300000000ull},            // a wrap onto zero
      {0x100000000ull, 0xFFFFFFFFu, 0x1FFFFFFFFull},  // the top of a round is no wrap
  };
  for (const Extension& c : cases) {
    EXPECT_EQ(talv::ExtendTickCount(c.previous, c.now), c.expected) << std::hex << c.previous << " then " << c.now;
  }
}

// The program's import pointer leads to the stand-in, as it does for the threads runtime in the product.
TEST(TickCount64, TheImportPointerLeadsToTheStandIn) {
  EXPECT_EQ(reinterpret_cast<void*>(&GetTickCount64), reinterpret_cast<void*>(&talv::TickCount64));
}

TEST(TickCount64, FollowsTheSystemCountWhereThereIsOne) {
  auto system = reinterpret_cast<ULONGLONG(WINAPI*)()>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
  ASSERT_NE(system, nullptr);
  ULONGLONG before = system();
  ULONGLONG stand_in = talv::TickCount64();
  ULONGLONG after = system();
  EXPECT_LE(before, stand_in);
  EXPECT_LE(stand_in, after);
}

// Threads racing on the count from GetTickCount alone: a reading taken before another thread moved the count
// on must not pass for a wrap, which would throw the count 49.7 days ahead.
TEST(TickCount64, CountsFromGetTickCountWithoutFalseWrapsUnderContention) {
  const std::uint64_t start = talv::TickCount64FromTickCount();
  constexpr int kThreads = 4;
  constexpr int kReadings = 200000;
  std::vector<int> faults(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&faults, t, start] {
      std::uint64_t last = start;
      for (int i = 0; i < kReadings; ++i) {
        std::uint64_t now = talv::TickCount64FromTickCount();
        if (now < last || now - start > 60000) ++faults[t];
        last = now;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(faults[t], 0) << "thread " << t;
  std::uint32_t tick = GetTickCount();
  EXPECT_LE(static_cast<std::uint32_t>(talv::TickCount64FromTickCount() - tick), 1000u);
}

}  // namespace
