#include "preparation_progress.h"

namespace talv {

namespace {
// A phase must have run this long before its pace is trusted: the first blocks also pay for opening files.
constexpr uint32_t kSampleMs = 60;
// Shown early only when the whole is foreseen to take this many times the threshold, so that a pace that
// picks up later still leaves no window that flashes past.
constexpr uint32_t kEarlyFactor = 3;
}  // namespace

void PreparationPace::BeginPhase(PreparationPhase phase, uint32_t elapsedMs) {
  m_phase = phase;
  m_phaseStartMs = elapsedMs;
  m_phaseBytes = 0;
}

uint32_t PreparationPace::ForeseenMs(uint32_t elapsedMs) const {
  const uint32_t phaseMs = elapsedMs - m_phaseStartMs;
  if (phaseMs < kSampleMs || m_phaseBytes == 0 || m_packageBytes == 0) return 0;
  const uint64_t left = m_phaseBytes < m_packageBytes ? m_packageBytes - m_phaseBytes : 0;
  uint64_t foreseen = elapsedMs + static_cast<uint64_t>(phaseMs) * left / m_phaseBytes;
  // The decompression reads the same bytes as the copy and writes more: it takes at least as long.
  if (m_phase == PreparationPhase::Copy) foreseen += static_cast<uint64_t>(phaseMs) * m_packageBytes / m_phaseBytes;
  return foreseen > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(foreseen);
}

bool PreparationPace::ShouldShow(uint32_t elapsedMs) const {
  return elapsedMs >= kShowAfterMs || ForeseenMs(elapsedMs) >= kEarlyFactor * kShowAfterMs;
}

}  // namespace talv
