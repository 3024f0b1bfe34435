// The state behind the exported functions: one link to the emulated handheld per process, the objects opened
// over it, and the thread's last Windows CE error. Every exported function takes the link's lock for its whole
// run, so calls from several threads are safe (the installer never overlaps them anyway).
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

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

  // Free bytes of an area, measured on the disk once and then kept up to date by Consume; ForgetFreeSpace makes
  // the next call measure again (after files were created, truncated or deleted, or a program ran).
  uint64_t FreeBytes(int area);
  void Consume(int area, uint64_t bytes);
  void ForgetFreeSpace() { freeBytes_.clear(); }

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
  static DWORD WINAPI AnswerThread(void* context);

  std::mutex mutex_;
  bool initialised_ = false;  // between a successful CeRapiInitEx and CeRapiUninit
  bool answered_ = false;     // the handheld answered with success
  bool dropped_ = false;
  uint64_t generation_ = 0;   // tells an answer of an ended link from the current one
  std::wstring folder_;
  DeviceConfig config_;
  uint64_t bytesWritten_ = 0;
  std::map<uintptr_t, OpenObject> objects_;
  uintptr_t nextHandle_ = 0x10000;  // handles are never reused, so a stale one is always refused
  std::map<int, uint64_t> freeBytes_;
  UniqueKernelHandle event_, cancel_, answerThread_;
};

// The logs of the device folder (processes.log, trace.log) are UTF-8.
std::string Utf8(const std::wstring& text);

}  // namespace emu
