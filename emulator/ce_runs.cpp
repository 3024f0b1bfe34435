#include "ce_runs.h"

#include <vector>

#include "unique_handle_win.h"

namespace emu {
namespace {

using base::UniqueKernelHandle;

// A runner shows it has started within this time, or it never will.
constexpr ULONGLONG kStartMs = 15000;
// What a process that ended before settling its runs left behind goes after this long.
constexpr ULONGLONG kAbandonedAgeMs = 10ull * 60 * 1000;

std::wstring RunsFolder(const std::wstring& folder) { return folder + L"\\runs"; }

UniqueKernelHandle OpenShared(const std::wstring& path) {
  return UniqueKernelHandle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
}

enum class Runner { NotYetStarted, Running, Gone };

// The runner writes its process id into the claim once it holds the lock on it and keeps the lock to its end,
// so an empty claim is a runner not started yet, and a claim nobody locks one whose runner is gone.
Runner RunnerOf(const std::wstring& claim) {
  UniqueKernelHandle file = OpenShared(claim);
  if (!file.IsValid()) return Runner::Gone;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart == 0) return Runner::NotYetStarted;
  OVERLAPPED whole = {};
  if (!LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole))
    return Runner::Running;
  UnlockFileEx(file.Get(), 0, MAXDWORD, MAXDWORD, &whole);
  return Runner::Gone;
}

bool ReadResult(const std::wstring& path, std::string* line) {
  UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  char buffer[1024];
  DWORD got = 0;
  if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) return false;
  line->assign(buffer, got);
  while (!line->empty() && (line->back() == '\n' || line->back() == '\r')) line->pop_back();
  return true;
}

ULONGLONG AgeMs(const WIN32_FIND_DATAW& data) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const ULONGLONG written =
      (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  const ULONGLONG current = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return current > written ? (current - written) / 10000 : 0;
}

// Every claim file of the folder.
std::vector<WIN32_FIND_DATAW> Claims(const std::wstring& folder) {
  std::vector<WIN32_FIND_DATAW> claims;
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW((RunsFolder(folder) + L"\\*.run").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return claims;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) claims.push_back(data);
  } while (FindNextFileW(search, &data));
  FindClose(search);
  return claims;
}

std::wstring ResultOf(const std::wstring& claim) { return claim.substr(0, claim.size() - 4) + L".result"; }

}  // namespace

DWORD ClaimCeRun(const std::wstring& folder, DWORD firstCandidate, CeRun* run) {
  const std::wstring runs = RunsFolder(folder);
  if (!CreateDirectoryW(runs.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return GetLastError();
  DWORD id = firstCandidate;
  for (int attempt = 0; attempt < 4096; ++attempt, id += 4) {
    if (id == 0) continue;
    const std::wstring claim = runs + L"\\" + std::to_wstring(id) + L".run";
    const std::wstring result = runs + L"\\" + std::to_wstring(id) + L".result";
    // CREATE_NEW decides between processes that pick the same id at once; a result without a claim is a
    // settled run's leftover, not taken over.
    UniqueKernelHandle file(CreateFileW(claim.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
      if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return GetLastError();
    }
    if (GetFileAttributesW(result.c_str()) != INVALID_FILE_ATTRIBUTES) {
      file.Reset();
      DeleteFileW(claim.c_str());
      continue;
    }
    run->processId = id;
    run->claim = claim;
    run->result = result;
    run->startedMs = GetTickCount64();
    return 0;
  }
  return ERROR_TOO_MANY_OPEN_FILES;
}

void AbandonCeRun(const CeRun& run) {
  DeleteFileW(run.result.c_str());
  DeleteFileW(run.claim.c_str());
}

bool SettleCeRun(const CeRun& run, std::string* outcome) {
  if (!ReadResult(run.result, outcome)) {
    const Runner runner = RunnerOf(run.claim);
    if (runner == Runner::Running) return false;
    if (runner == Runner::NotYetStarted && GetTickCount64() - run.startedMs < kStartMs) return false;
    // The runner may have written its result just before it went.
    if (!ReadResult(run.result, outcome))
      *outcome = runner == Runner::NotYetStarted ? "fault: the ARM runner did not start"
                                                 : "fault: the ARM runner ended without a result";
  }
  AbandonCeRun(run);
  return true;
}

bool CeRunsInProgress(const std::wstring& folder) {
  for (const WIN32_FIND_DATAW& data : Claims(folder)) {
    const std::wstring claim = RunsFolder(folder) + L"\\" + data.cFileName;
    if (GetFileAttributesW(ResultOf(claim).c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    const Runner runner = RunnerOf(claim);
    if (runner == Runner::Running || (runner == Runner::NotYetStarted && AgeMs(data) < kStartMs)) return true;
  }
  return false;
}

void SweepAbandonedCeRuns(const std::wstring& folder) {
  for (const WIN32_FIND_DATAW& data : Claims(folder)) {
    const std::wstring claim = RunsFolder(folder) + L"\\" + data.cFileName;
    if (AgeMs(data) < kAbandonedAgeMs || RunnerOf(claim) == Runner::Running) continue;
    DeleteFileW(ResultOf(claim).c_str());
    DeleteFileW(claim.c_str());
  }
}

}  // namespace emu
