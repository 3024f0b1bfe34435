#include "InstallProgressFeed.h"

namespace {
constexpr unsigned kBurstMilliTokens = 20000;
constexpr unsigned kMilliTokensPerMs = 20;  // 20 updates a second
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
  if ((m_posPending || !m_pendingLog.empty()) && Due()) Flush();
}

void InstallProgressFeed::Flush() {
  if (m_posPending) {
    m_bar.SetPos(m_pendingPos);
    m_posPending = false;
  }
  if (!m_pendingLog.empty()) {
    // The caret follows each insertion, so the texts accumulate at the end of the log.
    m_log.SetSel(-1, -1);
    m_log.SendMessage(EM_SCROLLCARET);
    m_log.ReplaceSel(m_pendingLog.c_str(), FALSE);
    m_pendingLog.clear();
  }
}
