#include "InstallProgressFeed.h"

#include <memory>

namespace {
constexpr unsigned kBurstMilliTokens = 1000;  // at most one batch due at a time
// Positions of the bar shown on their own, before the first batches: the bar moves from the first entries on.
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
    std::unique_ptr<Batch> batch(TakePending(false));
    if (m_page == nullptr) {
      Show(*batch);
    } else if (::PostMessageW(m_page, m_message, kPosted, reinterpret_cast<LPARAM>(batch.get()))) {
      batch.release();  // the page owns it now
    } else {
      Send(batch.release());  // a full queue: this batch waits for the page instead of being lost
    }
  } else if (m_positionsSent < kEarlyPositions) {
    FlushPosition();
  }
}

void InstallProgressFeed::Flush() { Send(TakePending(false)); }

void InstallProgressFeed::FlushPosition() {
  if (m_posPending) Send(TakePending(true));
}

InstallProgressFeed::Batch* InstallProgressFeed::TakePending(bool positionOnly) {
  auto* batch = new Batch;
  if (m_posPending) {
    batch->positionSet = true;
    batch->position = m_pendingPos;
    m_posPending = false;
    ++m_positionsSent;
  }
  if (!positionOnly) batch->lines.swap(m_pendingLog);
  return batch;
}

void InstallProgressFeed::Send(Batch* batch) {
  if (m_page == nullptr) {
    std::unique_ptr<Batch> own(batch);
    Show(*own);
    return;
  }
  ::SendMessageW(m_page, m_message, kSent, reinterpret_cast<LPARAM>(batch));
}

LRESULT InstallProgressFeed::Receive(WPARAM wParam, LPARAM lParam) {
  std::unique_ptr<Batch> batch(reinterpret_cast<Batch*>(lParam));
  if (wParam == kSent) {
    // A sent message overtakes the posted ones: those go first, so that lines and positions keep their order.
    MSG queued;
    while (::PeekMessageW(&queued, m_page, m_message, m_message, PM_REMOVE)) {
      std::unique_ptr<Batch> earlier(reinterpret_cast<Batch*>(queued.lParam));
      if (earlier) Show(*earlier);
    }
  }
  if (batch) Show(*batch);
  return 0;
}

void InstallProgressFeed::Show(const Batch& batch) {
  if (batch.positionSet) m_bar.SetPos(batch.position);
  if (!batch.lines.empty()) {
    // The caret follows each insertion, so the texts accumulate at the end of the log.
    m_log.SetSel(-1, -1);
    m_log.SendMessage(EM_SCROLLCARET);
    m_log.ReplaceSel(batch.lines.c_str(), FALSE);
  }
}
