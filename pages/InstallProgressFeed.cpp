#include "InstallProgressFeed.h"

#include <utility>

namespace {
constexpr unsigned kBurstMilliTokens = 1000;  // at most one batch due at a time
// Positions of the bar handed over on their own, before the first batches: the bar moves from the first
// entries on.
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

void InstallProgressFeed::SetRange(int high) {
  m_pending.rangeSet = true;
  m_pending.rangeHigh = high;
  m_pending.positionSet = false;  // a new range starts the bar at 0
  HandOver(true);
}

void InstallProgressFeed::Update() {
  if (!m_pending.positionSet && m_pending.lines.empty()) return;
  if (Due()) {
    HandOver(false);
  } else if (m_pending.positionSet && m_positionsSent < kEarlyPositions) {
    HandOver(true);
  }
}

void InstallProgressFeed::Flush() {
  HandOver(false);
  ::SendMessageW(m_page, m_message, 0, 0);
}

void InstallProgressFeed::HandOver(bool positionOnly) {
  const bool lines = !positionOnly && !m_pending.lines.empty();
  if (!m_pending.rangeSet && !m_pending.positionSet && !lines) return;
  if (m_pending.positionSet) ++m_positionsSent;
  bool notify = false;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pending.rangeSet) {
      m_handedOver.rangeSet = true;
      m_handedOver.rangeHigh = m_pending.rangeHigh;
      m_handedOver.positionSet = false;
    }
    if (m_pending.positionSet) {
      m_handedOver.positionSet = true;
      m_handedOver.position = m_pending.position;
    }
    if (lines) m_handedOver.lines += m_pending.lines;
    notify = !m_noticePosted;
    m_noticePosted = true;
  }
  m_pending.rangeSet = m_pending.positionSet = false;
  if (lines) m_pending.lines.clear();
  // One notice at a time: the page takes everything handed over by the time it comes, so the queue never
  // fills however fast the entries go by.
  if (notify && !::PostMessageW(m_page, m_message, 0, 0)) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_noticePosted = false;  // the next hand-over tries again; Flush shows it in any case
  }
}

LRESULT InstallProgressFeed::Show() {
  Batch batch;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    batch = std::move(m_handedOver);
    m_handedOver = Batch();
    m_noticePosted = false;
  }
  if (batch.rangeSet) {
    m_bar.SetRange32(0, batch.rangeHigh);
    m_bar.SetPos(0);
    m_bar.SetStep(1);
  }
  if (batch.positionSet) m_bar.SetPos(batch.position);
  if (!batch.lines.empty()) {
    // The caret follows each insertion, so the texts accumulate at the end of the log.
    m_log.SetSel(-1, -1);
    m_log.SendMessage(EM_SCROLLCARET);
    m_log.ReplaceSel(batch.lines.c_str(), FALSE);
  }
  return 0;
}
