// The emulated handheld's record of its ARM program runs, in <device folder>\runs: per run <id>.run, claimed by
// the emulator when it starts the runner, which locks it while it runs, and <id>.result, the runner's one line
// on how the run ended ("exit N" or "fault: ..."). The id is the handheld's process id of the run, unique in
// the folder whichever processes share it. A run is over once its result is there, or once its runner is gone
// without one; whoever started it then takes the result and removes both files.
#pragma once

#include <windows.h>

#include <string>

namespace emu {

struct CeRun {
  DWORD processId = 0;
  std::wstring claim, result;  // <folder>\runs\<id>.run and .result
  ULONGLONG startedMs = 0;     // GetTickCount64 when claimed
};

// Claims a process id no run in the folder holds; 0, or the error of a folder that cannot hold the record.
DWORD ClaimCeRun(const std::wstring& folder, DWORD firstCandidate, CeRun* run);

// Gives the claim back when the runner could not be started.
void AbandonCeRun(const CeRun& run);

// True once the run is over, with how it ended in *outcome and its files removed: for the process that started
// it. A runner that never started or ended without a result is a fault.
bool SettleCeRun(const CeRun& run, std::string* outcome);

// Whether a run of the folder still runs (claimed, no result, its runner there or not yet started). Reads
// only: for anyone watching the handheld, a test for instance.
bool CeRunsInProgress(const std::wstring& folder);

// Removes what runs of processes that ended before settling them left behind, once it is old.
void SweepAbandonedCeRuns(const std::wstring& folder);

}  // namespace emu
