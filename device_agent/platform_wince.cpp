// TalveniaGDFS on a Windows CE handheld: the agent's platform is the core library (COREDLL.dll) itself.
// Built by wince/ with arm-none-eabi-g++, freestanding: no windows.h, no C or C++ runtime; the few CE types
// and functions are declared in wince/coredll.h. The entry stub (wince/entry.S) calls TalvAgentWinMain with
// what the loader passes to WinMain, on an 8-byte aligned stack.
#include "coredll.h"
#include "device_agent.h"

namespace {

class CoreLibraryPlatform final : public agent::Platform {
 public:
  agent::PlatformStream* OpenStream(const char16_t* path, const char* mode) override {
    // The core library's modes are wide; "t" writes wide text in the ANSI code page with LF as CR LF.
    const char16_t* wideMode = mode[1] == 't' ? u"wt" : u"wb";
    return reinterpret_cast<agent::PlatformStream*>(__imp__wfopen(path, wideMode));
  }
  void WriteWideString(agent::PlatformStream* stream, const char16_t* text) override {
    __imp_fputws(text, File(stream));
  }
  void WriteBlock(agent::PlatformStream* stream, const void* data, std::size_t itemSize, std::size_t count) override {
    __imp_fwrite(data, itemSize, count, File(stream));
  }
  void CloseStream(agent::PlatformStream* stream) override { __imp_fclose(File(stream)); }

  agent::PlatformSearch* FindFirst(const char16_t* pattern, agent::FindRecord* record) override {
    coredll::FindData data;
    coredll::Handle find = __imp_FindFirstFileW(pattern, &data);
    if (find == coredll::InvalidHandleValue()) return nullptr;
    Fill(data, record);
    return reinterpret_cast<agent::PlatformSearch*>(find);
  }
  bool FindNext(agent::PlatformSearch* search, agent::FindRecord* record) override {
    coredll::FindData data;
    if (!__imp_FindNextFileW(Search(search), &data)) return false;
    Fill(data, record);
    return true;
  }
  void FindClose(agent::PlatformSearch* search) override { __imp_FindClose(Search(search)); }

  bool QueryFreeSpace(const char16_t* path, agent::FreeSpace* space) override {
    std::uint64_t available = 0, total = 0, totalFree = 0;
    if (!__imp_GetDiskFreeSpaceExW(path, &available, &total, &totalFree)) return false;
    space->freeBytesAvailableToCaller = available;
    space->totalBytes = total;
    space->totalFreeBytes = totalFree;
    return true;
  }

 private:
  static coredll::File* File(agent::PlatformStream* stream) { return reinterpret_cast<coredll::File*>(stream); }
  static coredll::Handle Search(agent::PlatformSearch* search) { return reinterpret_cast<coredll::Handle>(search); }
  static void Fill(const coredll::FindData& data, agent::FindRecord* record) {
    record->attributes = data.fileAttributes;
    for (std::size_t i = 0; i < agent::kMaxPath; ++i) record->name[i] = data.fileName[i];
  }
};

}  // namespace

// WinMain as the Windows CE loader calls it: (process, 0, argument text without the program name or null,
// show command). The result is the process's exit code.
extern "C" int TalvAgentWinMain(void* /*process*/, void* /*previous*/, const char16_t* commandLine, int /*show*/) {
  CoreLibraryPlatform platform;
  return agent::RunDeviceAgent(platform, commandLine);
}
