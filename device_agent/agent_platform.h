// The handheld's core services as the device agent sees them: the runtime library's streams, the root folder
// search and the volume free-space query. One implementation calls Windows CE, one serves the emulated handheld
// from a host folder, and the tests use an in-memory one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace agent {

constexpr std::size_t kMaxPath = 260;  // MAX_PATH: the name field of the find data, the line buffer

constexpr std::uint32_t kAttributeDirectory = 0x10;   // FILE_ATTRIBUTE_DIRECTORY
constexpr std::uint32_t kAttributeTemporary = 0x100;  // FILE_ATTRIBUTE_TEMPORARY

// The part of WIN32_FIND_DATAW the agent reads.
struct FindRecord {
  std::uint32_t attributes = 0;
  char16_t name[kMaxPath] = {};
};

struct FreeSpace {
  std::uint64_t freeBytesAvailableToCaller = 0;
  std::uint64_t totalBytes = 0;
  std::uint64_t totalFreeBytes = 0;
};

// Opaque handles: each implementation decides what stands behind them.
struct PlatformStream;
struct PlatformSearch;

class Platform {
 public:
  virtual ~Platform() = default;

  // Runtime library streams. `mode` is "wt" (text: LF is written as CR LF) or "wb" (bytes unchanged).
  // Null when the file cannot be opened.
  virtual PlatformStream* OpenStream(const char16_t* path, const char* mode) = 0;
  // Writes the units before the terminator through the stream's text mode.
  virtual void WriteWideString(PlatformStream* stream, const char16_t* text) = 0;
  // Writes itemSize * count bytes.
  virtual void WriteBlock(PlatformStream* stream, const void* data, std::size_t itemSize, std::size_t count) = 0;
  virtual void CloseStream(PlatformStream* stream) = 0;

  // Directory search. FindFirst returns null when nothing can be enumerated.
  virtual PlatformSearch* FindFirst(const char16_t* pattern, FindRecord* record) = 0;
  virtual bool FindNext(PlatformSearch* search, FindRecord* record) = 0;
  virtual void FindClose(PlatformSearch* search) = 0;

  // GetDiskFreeSpaceEx: false when the query fails (the figures are then meaningless).
  virtual bool QueryFreeSpace(const char16_t* path, FreeSpace* space) = 0;
};

}  // namespace agent
