// The package copied into the temporary folder and decompressed there, on a thread of its own: the
// user-interface thread stays free to show the start-up window, bring it to the front, and answer a close or
// the end of the session at once. A stop makes the thread let go of both temporary files within one block.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "preparation_progress.h"
#include "unique_handle_win.h"

// What a finished preparation learnt; nothing of it holds after a stop.
struct PreparationOutcome {
  bool copied = false;                   // the package reached the temporary folder whole
  std::optional<int> inflateResult;      // what the decompression returned; nothing when it did not run
  std::optional<uint64_t> archiveBytes;  // the archive's size, after a sound decompression
  std::optional<unsigned char> productFlag;
  std::optional<unsigned char> launcherFlag;
};

class PackagePreparation : private talv::PreparationProgress {
 public:
  PackagePreparation(std::wstring packagePath, std::wstring compressedPath, std::wstring archivePath,
                     uint64_t packageBytes);
  // Stops a thread that still runs and waits for it: its files are closed once this returns.
  ~PackagePreparation() override;
  PackagePreparation(const PackagePreparation&) = delete;
  PackagePreparation& operator=(const PackagePreparation&) = delete;

  bool Start();
  // Asks the thread to stop before its next block; it ends soon after, with both files closed.
  void RequestStop() { m_stopRequested = true; }
  bool StopRequested() const { return m_stopRequested; }
  // Waits at most timeoutMs for the thread; true once it has ended.
  bool WaitForEnd(DWORD timeoutMs) const;

  // Signalled when the thread ends, and (automatically reset) when the start-up window should show.
  HANDLE Thread() const { return m_thread.Get(); }
  HANDLE ShowEvent() const { return m_showEvent.Get(); }

  // Read by the user-interface thread while the thread runs.
  uint64_t BytesRead() const { return m_bytesRead; }
  uint64_t PackageBytes() const { return m_packageBytes; }
  bool ShouldShow() const { return m_shouldShow; }
  // The archive's product flag once its first byte has been produced.
  std::optional<bool> Product() const;

  // Only once the thread has ended.
  const PreparationOutcome& Outcome() const { return m_outcome; }

 private:
  static DWORD WINAPI ThreadMain(LPVOID self);
  void Run();
  bool Copy();
  void Inflate();
  // The progress of the thread's reads: the pace of the start-up window, and the stop, which takes effect by
  // ending the source being read at its next read.
  void Read(uint64_t bytes) override;
  void ArchiveBegins(const unsigned char* bytes, size_t count) override;

  const std::wstring m_packagePath;
  const std::wstring m_compressedPath;
  const std::wstring m_archivePath;
  const uint64_t m_packageBytes;

  // The preparation's own thread only.
  talv::PreparationPace m_pace;
  DWORD m_startTick = ::GetTickCount();
  FILE* m_reading = nullptr;  // the stream whose blocks are being read
  PreparationOutcome m_outcome;

  // Shared.
  std::atomic<bool> m_stopRequested{false};
  std::atomic<uint64_t> m_bytesRead{0};
  std::atomic<bool> m_shouldShow{false};
  std::atomic<int> m_product{-1};  // -1 until the archive's first byte is known
  base::UniqueKernelHandle m_showEvent;
  base::UniqueKernelHandle m_thread;
};
