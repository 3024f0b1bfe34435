// The state behind the exported functions: one link to the emulated handheld per process, the objects opened
// over it, and the thread's last Windows CE error. Every exported function takes the link's lock for its whole
// run, so calls from several threads are safe (the installer never overlaps them anyway).
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "emulated_device.h"
#include "rapi.h"
#include "unique_handle_win.h"

namespace emu {

using base::UniqueKernelHandle;

// What a call reports while no link is up: before the handheld answered, after it refused, after the link
// dropped or without a CeRapiInitEx.
constexpr DWORD kErrorNoLink = ERROR_DEVICE_NOT_CONNECTED;

constexpr int kMainStore = -1;  // the area of a path outside every volume

void SetCeError(DWORD error);

// Argument text for Link::Trace: a caller's string (bounded; "(null)" for none) and a number in hexadecimal.
std::wstring TraceText(const wchar_t* text);
std::wstring TraceHex(DWORD value);
DWORD CeError();

// A file, or a started program's process or thread, as the caller's handle names it.
struct OpenObject {
  UniqueKernelHandle file;  // empty for a process or thread
  bool canRead = false;
  bool canWrite = false;
  int area = kMainStore;  // index into DeviceConfig::volumes
  uint64_t position = 0;  // where the next read or write of the file goes
  uint64_t size = 0;      // the file's size, so a write knows by how much it grows it
};

class Link {
 public:
  static Link& Instance();
  std::unique_lock<std::mutex> Hold() { return std::unique_lock<std::mutex>(mutex_); }

  // With the lock held. Usable: the handheld answered with success and the link has not dropped since; when
  // false, the call's error is set to kErrorNoLink.
  bool Usable();
  const std::wstring& Folder() const { return folder_; }
  const DeviceConfig& Config() const { return config_; }
  int AreaOf(const wchar_t* devicePath) const;
  bool AreaReadOnly(int area) const { return area != kMainStore && config_.volumes[area].readOnly; }

  HANDLE Add(OpenObject object);
  OpenObject* Find(HANDLE handle);
  bool Remove(HANDLE handle);

  // Free bytes of an area. The bytes used are measured on the disk (a walk of the area) the first time they are
  // needed after the link started or a program ran on the handheld, and from then on kept up to date call by
  // call, so a call costs the same on a full volume as on an empty one: Consume counts what a write added,
  // Release what a truncation or a delete gave back.
  uint64_t FreeBytes(int area);
  void Consume(int area, uint64_t bytes);
  void Release(int area, uint64_t bytes);
  // After a program ran: it may have written anything, so the next figure is measured again.
  void ForgetFreeSpace() { usedBytes_.clear(); }
  // A program that runs on its own (the ARM CPU emulator) writes at any moment until its result file appears:
  // until then every figure is measured anew, and once more when it has ended.
  void ProgramStarted(const std::wstring& resultFile) { runningPrograms_.push_back(resultFile); }

  // The link's pace: a call that began at startUs and moved bytes over the link returns only once the emulated
  // link would have carried it (call_latency_us, link_bytes_per_second). The emulator's own work counts as
  // part of that time.
  void Pace(uint64_t startUs, uint64_t bytes);

  // The bytes this write may still move before the link drops (fail_after_bytes); UINT64_MAX without a limit.
  uint64_t BytesBeforeDrop() const;
  void CountWritten(uint64_t bytes) { bytesWritten_ += bytes; }
  // The link drops: every object closes and every call fails until the next CeRapiInitEx.
  void Drop();

  // With the lock held: when the device.ini of the latest CeRapiInitEx sets trace=1, appends the function's
  // name and its arguments as one line to trace.log in the device folder.
  void Trace(const char* function, const std::wstring& arguments = std::wstring());

  HRESULT Init(RAPIINIT* init);  // lock not held
  HRESULT Uninit();              // lock not held

 private:
  struct Answer;
  void SettlePrograms();
  static DWORD WINAPI AnswerThread(void* context);

  std::mutex mutex_;
  bool initialised_ = false;  // between a successful CeRapiInitEx and CeRapiUninit
  bool answered_ = false;     // the handheld answered with success
  bool dropped_ = false;
  uint64_t generation_ = 0;  // tells an answer of an ended link from the current one
  std::wstring folder_;
  DeviceConfig config_;
  uint64_t bytesWritten_ = 0;
  std::map<uintptr_t, OpenObject> objects_;
  uintptr_t nextHandle_ = 0x10000;             // handles are never reused, so a stale one is always refused
  std::map<int, uint64_t> usedBytes_;          // per area, once measured
  std::vector<std::wstring> runningPrograms_;  // result files not written yet
  uint64_t linkBusyUntilUs_ = 0;               // when the emulated link is done with the calls so far
  uint64_t oversleptUs_ = 0;                   // time the link is behind its pace: late wake-ups, slow host files
  UniqueKernelHandle event_, cancel_, answerThread_;
};

// Microseconds of a steady clock.
uint64_t NowUs();

// Paces one exported call: made right after the lock is taken, it waits (still holding it, as one link carries
// one call at a time) when the call ends.
class PacedCall {
 public:
  explicit PacedCall(Link& link) : link_(link), startUs_(NowUs()) {}
  ~PacedCall() { link_.Pace(startUs_, bytes_); }
  PacedCall(const PacedCall&) = delete;
  PacedCall& operator=(const PacedCall&) = delete;
  void Moved(uint64_t bytes) { bytes_ += bytes; }

 private:
  Link& link_;
  uint64_t startUs_;
  uint64_t bytes_ = 0;
};

// The logs of the device folder (processes.log, trace.log) are UTF-8.
std::string Utf8(const std::wstring& text);

}  // namespace emu
