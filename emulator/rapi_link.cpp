#include "rapi_link.h"

#include "portable_text.h"

#include <algorithm>
#include <utility>

namespace emu {
namespace {

thread_local DWORD t_ceError = 0;
thread_local HRESULT t_rapiError = S_OK;

// What CeRapiInitEx answers while a link is already set up.
constexpr HRESULT kAlreadyInitialised = static_cast<HRESULT>(0x80041001);

}  // namespace

void SetCeError(DWORD error) { t_ceError = error; }
DWORD CeError() { return t_ceError; }
void SetRapiError(HRESULT result) { t_rapiError = result; }
HRESULT RapiError() { return t_rapiError; }

struct Link::Answer {
  Link* link;
  uint64_t generation;
  DWORD delayMs;
  HRESULT result;
  RAPIINIT* target;
  HANDLE event;
  HANDLE cancel;
};

Link& Link::Instance() {
  static Link link;
  return link;
}

bool Link::ThreadStarted() const { return !config_.perThread || threads_.count(GetCurrentThreadId()) != 0; }

bool Link::Usable() {
  const bool usable = initialised_ && answered_ && !dropped_ && ThreadStarted();
  SetRapiError(usable ? S_OK : kNoLinkResult);
  return usable;
}

int Link::AreaOf(const wchar_t* devicePath) const {
  const Volume* volume = VolumeOfDevicePath(config_, devicePath);
  return volume == nullptr ? kMainStore : static_cast<int>(volume - config_.volumes.data());
}

HANDLE Link::Add(OpenObject object) {
  const uintptr_t handle = nextHandle_;
  nextHandle_ += 4;
  objects_.emplace(handle, std::move(object));
  return reinterpret_cast<HANDLE>(handle);
}

OpenObject* Link::Find(HANDLE handle) {
  auto found = objects_.find(reinterpret_cast<uintptr_t>(handle));
  return found == objects_.end() ? nullptr : &found->second;
}

bool Link::Remove(HANDLE handle) { return objects_.erase(reinterpret_cast<uintptr_t>(handle)) != 0; }

void Link::SettlePrograms() {
  if (runningPrograms_.empty()) return;
  usedBytes_.clear();
  auto ended = [this](const CeRun& run) {
    std::string outcome;
    if (!SettleCeRun(run, &outcome)) return false;
    std::wstring text;
    if (!DecodeUtf8Strict(outcome, &text)) text = L"(not UTF-8)";
    Trace("!", L"run " + std::to_wstring(run.processId) + L" ended: " + text);
    return true;
  };
  runningPrograms_.erase(std::remove_if(runningPrograms_.begin(), runningPrograms_.end(), ended),
                         runningPrograms_.end());
}

uint64_t Link::FreeBytes(int area) {
  SettlePrograms();
  auto known = usedBytes_.find(area);
  if (known == usedBytes_.end()) {
    const uint64_t used =
        area == kMainStore ? MainStoreUsedBytes(folder_, config_) : VolumeUsedBytes(folder_, config_.volumes[area]);
    known = usedBytes_.emplace(area, used).first;
  }
  const uint64_t capacity = area == kMainStore ? config_.storeSize : config_.volumes[area].size;
  return FreeOf(capacity, known->second);
}

void Link::Consume(int area, uint64_t bytes) {
  FreeBytes(area);  // measured before the write, if not yet
  usedBytes_[area] += bytes;
}

void Link::Release(int area, uint64_t bytes) {
  SettlePrograms();
  // An area not measured yet is measured later, after the change.
  auto known = usedBytes_.find(area);
  if (known != usedBytes_.end()) known->second -= bytes < known->second ? bytes : known->second;
}

uint64_t NowUs() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f = {};
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER now = {};
  QueryPerformanceCounter(&now);
  return static_cast<uint64_t>(now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency);
}

void Link::Pace(uint64_t startUs, uint64_t bytes) {
  if (config_.callLatencyUs == 0 && config_.linkBytesPerSecond == 0) return;
  uint64_t costUs = config_.callLatencyUs;
  if (config_.linkBytesPerSecond != 0) costUs += bytes * 1000000 / config_.linkBytesPerSecond;
  // The link carries one call at a time: this one from its start, or from the end of the one before when that
  // is still being carried. The time the caller spends between calls is its own and is not taken back.
  const uint64_t from = startUs > linkBusyUntilUs_ ? startUs : linkBusyUntilUs_;
  linkBusyUntilUs_ = from + costUs;
  // Sleeps end late, and the PC's files are sometimes slower than the handheld would be: what either added is
  // waited less afterwards, so the link keeps its pace on average.
  const uint64_t now = NowUs();
  if (now > linkBusyUntilUs_) {
    oversleptUs_ += now - linkBusyUntilUs_;
    return;
  }
  const uint64_t remaining = linkBusyUntilUs_ - now;
  if (remaining <= oversleptUs_ + 500) {
    oversleptUs_ -= remaining < oversleptUs_ ? remaining : oversleptUs_;
    return;
  }
  const uint64_t due = linkBusyUntilUs_ - oversleptUs_;
  Sleep(static_cast<DWORD>((due - now + 500) / 1000));
  const uint64_t woke = NowUs();
  oversleptUs_ = woke > due ? woke - due : 0;
}

uint64_t Link::BytesBeforeDrop() const {
  if (!config_.hasFailAfter) return UINT64_MAX;
  return bytesWritten_ >= config_.failAfterBytes ? 0 : config_.failAfterBytes - bytesWritten_;
}

void Link::Drop() {
  dropped_ = true;
  objects_.clear();
  SetRapiError(kNoLinkResult);
  if (config_.dropClearsError) SetCeError(0);
}

bool Link::DropsAt(const wchar_t* devicePath) {
  if (config_.dropAtPath.empty() || devicePath == nullptr || _wcsicmp(devicePath, config_.dropAtPath.c_str()) != 0)
    return false;
  Drop();
  return true;
}

DWORD WINAPI Link::AnswerThread(void* context) {
  Answer* answer = static_cast<Answer*>(context);
  if (WaitForSingleObject(answer->cancel, answer->delayMs) == WAIT_TIMEOUT) {
    bool current = false;
    {
      std::lock_guard<std::mutex> lock(answer->link->mutex_);
      current = answer->link->initialised_ && answer->link->generation_ == answer->generation;
      if (current) {
        answer->target->hrRapiInit = answer->result;
        answer->link->answered_ = SUCCEEDED(answer->result);
      }
    }
    // CeRapiUninit waits for this thread before it closes the event, so the handle is still open here.
    if (current) SetEvent(answer->event);
  }
  delete answer;
  return 0;
}

HRESULT Link::JoinThread(RAPIINIT* init) {
  const DWORD thread = GetCurrentThreadId();
  if (threads_.count(thread) != 0) return kAlreadyInitialised;
  UniqueKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event.IsValid()) return E_OUTOFMEMORY;
  init->heRapiInit = event.Get();
  // The handheld is already there for the link: a new thread's start-up is answered at once. One that joins
  // before the handheld answered, or after the link dropped, never is.
  if (answered_ && !dropped_) {
    init->hrRapiInit = S_OK;
    SetEvent(event.Get());
  }
  threads_.emplace(thread, std::move(event));
  return S_OK;
}

HRESULT Link::Init(RAPIINIT* init) {
  // The record of the caller's architecture, and no other: a 64-bit caller that hands the 32-bit size would
  // have the HRESULT written where it does not look.
  if (init == nullptr || init->cbSize != sizeof(RAPIINIT)) return E_INVALIDARG;
  std::unique_lock<std::mutex> lock(mutex_);
  if (initialised_) return config_.perThread ? JoinThread(init) : kAlreadyInitialised;
  // The handheld is described afresh at every connection: a test docks or undocks it between two.
  const std::wstring folder = ResolveDeviceFolder();
  DeviceConfig config;
  if (folder.empty() || !LoadDeviceConfig(folder, &config)) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);

  SweepAbandonedCeRuns(folder);

  UniqueKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  UniqueKernelHandle cancel(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event.IsValid() || !cancel.IsValid()) return E_OUTOFMEMORY;
  UniqueKernelHandle thread;
  if (config.connected) {
    Answer* answer =
        new Answer{this, generation_ + 1, config.answerMs, config.initResult, init, event.Get(), cancel.Get()};
    thread.Reset(CreateThread(nullptr, 0, &Link::AnswerThread, answer, 0, nullptr));
    if (!thread.IsValid()) {
      delete answer;
      return E_OUTOFMEMORY;
    }
  }
  ++generation_;
  initialised_ = true;
  answered_ = false;
  dropped_ = false;
  folder_ = folder;
  config_ = config;
  bytesWritten_ = 0;
  objects_.clear();
  usedBytes_.clear();
  threads_.clear();
  if (config.perThread) threads_.emplace(GetCurrentThreadId(), UniqueKernelHandle());
  linkBusyUntilUs_ = 0;
  oversleptUs_ = 0;
  init->heRapiInit = event.Get();
  event_ = std::move(event);
  cancel_ = std::move(cancel);
  answerThread_ = std::move(thread);
  return S_OK;
}

HRESULT Link::Uninit() {
  UniqueKernelHandle event, cancel, thread;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!initialised_) return E_FAIL;
    if (config_.perThread) {
      // Each thread ends its own start-up; the link ends with the last one.
      if (threads_.erase(GetCurrentThreadId()) == 0) return E_FAIL;
      if (!threads_.empty()) return S_OK;
    }
    SettlePrograms();  // what has ended leaves no record behind; what still runs is settled by a later link
    ++generation_;
    initialised_ = false;
    answered_ = false;
    dropped_ = false;
    objects_.clear();  // every handle of the link ends with it
    usedBytes_.clear();
    event = std::move(event_);
    cancel = std::move(cancel_);
    thread = std::move(answerThread_);
  }
  // Outside the lock: a pending answer takes the lock before it gives up.
  if (cancel.IsValid()) SetEvent(cancel.Get());
  if (thread.IsValid()) WaitForSingleObject(thread.Get(), INFINITE);
  return S_OK;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
  return bytes;
}

}  // namespace emu
