#include "InstallProgressFeed.h"

namespace {
constexpr unsigned kBurstMilliTokens = 1000;  // at most one batch due at a time
// Positions of the bar sent on their own, before the first batches: the bar moves from the first entries on.
constexpr int kEarlyPositions = 3;
constexpr unsigned kMilliTokensPerMs = 5;  // 5 updates a second
constexpr unsigned kUpdateMilliTokens = 1000;
}  // namespace

bool InstallProgressFeed::Due() {
  const DWORD now = ::GetTickCount();
  const DWORD elapsed = now - m_lastRefill;  // unsigned: right across a wrap of the counter
  if (elapsed > 0) {
    const unsigned long long refilled = m_milliTokens + static_cast<unsigned long long>(elapsed) * kMilliTokensPerMs;
    m_milliTokens = refilled > kBurstMilliTokens ? kBurstMilliTokens : static_cast<unsigned>(refilled);
    m_lastRefill = now;
  }
  if (m_milliTokens < kUpdateMilliTokens) return false;
  m_milliTokens -= kUpdateMilliTokens;
  return true;
}

void InstallProgressFeed::Update() {
  if (!m_posPending && m_pendingLog.empty()) return;
  if (Due()) {
    Flush();
  } else if (m_positionsSent < kEarlyPositions) {
    FlushPosition();
  }
}

void InstallProgressFeed::FlushPosition() {
  if (!m_posPending) return;
  m_bar.SetPos(m_pendingPos);
  m_posPending = false;
  ++m_positionsSent;
}

void InstallProgressFeed::Flush() {
  FlushPosition();
  if (!m_pendingLog.empty()) {
    // The caret follows each insertion, so the texts accumulate at the end of the log.
    m_log.SetSel(-1, -1);
    m_log.SendMessage(EM_SCROLLCARET);
    m_log.ReplaceSel(m_pendingLog.c_str(), FALSE);
    m_pendingLog.clear();
  }
}
