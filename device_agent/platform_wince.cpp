// TalveniaGDFS on a Windows CE handheld: the agent's platform is the core library itself. Built only by a
// Windows CE ARM toolchain (see README.md); other builds see an empty file.
#if defined(_WIN32_WCE)

#include <windows.h>

#include <stdio.h>

#include "device_agent.h"

namespace {

const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

class CoreLibraryPlatform : public agent::Platform {
 public:
  agent::PlatformStream* OpenStream(const char16_t* path, const char* mode) override {
    const wchar_t* wideMode = mode[1] == 't' ? L"wt" : L"wb";
    return reinterpret_cast<agent::PlatformStream*>(_wfopen(AsWide(path), wideMode));
  }
  void WriteWideString(agent::PlatformStream* stream, const char16_t* text) override {
    fputws(AsWide(text), File(stream));
  }
  void WriteBlock(agent::PlatformStream* stream, const void* data, size_t itemSize, size_t count) override {
    fwrite(data, itemSize, count, File(stream));
  }
  void CloseStream(agent::PlatformStream* stream) override { fclose(File(stream)); }

  agent::PlatformSearch* FindFirst(const char16_t* pattern, agent::FindRecord* record) override {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(AsWide(pattern), &data);
    if (find == INVALID_HANDLE_VALUE) return nullptr;
    Fill(data, record);
    return reinterpret_cast<agent::PlatformSearch*>(find);
  }
  bool FindNext(agent::PlatformSearch* search, agent::FindRecord* record) override {
    WIN32_FIND_DATAW data;
    if (!FindNextFileW(reinterpret_cast<HANDLE>(search), &data)) return false;
    Fill(data, record);
    return true;
  }
  void FindClose(agent::PlatformSearch* search) override { ::FindClose(reinterpret_cast<HANDLE>(search)); }

  bool QueryFreeSpace(const char16_t* path, agent::FreeSpace* space) override {
    ULARGE_INTEGER available, total, totalFree;
    if (!GetDiskFreeSpaceExW(AsWide(path), &available, &total, &totalFree)) return false;
    space->freeBytesAvailableToCaller = available.QuadPart;
    space->totalBytes = total.QuadPart;
    space->totalFreeBytes = totalFree.QuadPart;
    return true;
  }

 private:
  static FILE* File(agent::PlatformStream* stream) { return reinterpret_cast<FILE*>(stream); }
  static void Fill(const WIN32_FIND_DATAW& data, agent::FindRecord* record) {
    record->attributes = data.dwFileAttributes;
    for (size_t i = 0; i < agent::kMaxPath; ++i) record->name[i] = data.cFileName[i];
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR lpCmdLine, int) {
  CoreLibraryPlatform platform;
  return agent::RunDeviceAgent(platform, reinterpret_cast<const char16_t*>(lpCmdLine));
}

#endif  // _WIN32_WCE
