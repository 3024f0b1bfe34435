// How far the preparation of the package has come, and whether it is slow enough to show the user
// something. The preparation reads the package twice, once to copy it into the temporary folder and once to
// decompress the copy; every block read is counted.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talv {

// Told of each block the preparation reads, on the thread that prepares.
class PreparationProgress {
 public:
  virtual ~PreparationProgress() = default;
  // bytes more of the package (or of its copy) have been read.
  virtual void Read(uint64_t bytes) = 0;
  // The first bytes the decompression produced: the archive's flag bytes among them.
  virtual void ArchiveBegins(const unsigned char* bytes, size_t count) = 0;
};

enum class PreparationPhase { Copy, Inflate };

// When to show that the package is being prepared: once it has taken kShowAfterMs, or earlier when the pace
// of the phase under way says the whole will take several times that. A preparation that ends within
// kShowAfterMs never shows anything.
class PreparationPace {
 public:
  static constexpr uint32_t kShowAfterMs = 300;

  explicit PreparationPace(uint64_t packageBytes) : m_packageBytes(packageBytes) {}

  // A phase begins elapsedMs after the preparation began.
  void BeginPhase(PreparationPhase phase, uint32_t elapsedMs);
  void Read(uint64_t bytes) { m_phaseBytes += bytes; }
  // Whether to show, elapsedMs after the preparation began.
  bool ShouldShow(uint32_t elapsedMs) const;
  // The preparation's whole time as the pace so far foretells it; 0 while there is too little to tell.
  uint32_t ForeseenMs(uint32_t elapsedMs) const;

 private:
  uint64_t m_packageBytes;
  PreparationPhase m_phase = PreparationPhase::Copy;
  uint32_t m_phaseStartMs = 0;
  uint64_t m_phaseBytes = 0;
};

}  // namespace talv
