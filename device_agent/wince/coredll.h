// The part of the Windows CE core library (COREDLL.dll) that the agent uses, declared here rather than taken
// from windows.h: the build is freestanding arm-none-eabi, whose wchar_t is 32 bits, so wide text is char16_t.
//
// Each function is reached through its slot in the import address table (coredll_imports.S, which also gives
// the hints): the loader writes the function's address there. The slots are plain function pointers, so gcc
// calls them with an interworking sequence (mov lr, pc; bx rN on ARMv4T), as COREDLL's code may be Thumb.
// The calling convention is the ARM one that Windows CE uses throughout: arguments in r0-r3, result in r0.
#pragma once

#include <cstddef>
#include <cstdint>

namespace coredll {

using Bool = std::int32_t;  // BOOL
using Handle = void*;       // HANDLE
inline Handle InvalidHandleValue() { return reinterpret_cast<Handle>(~static_cast<std::uintptr_t>(0)); }

struct File;  // the core library's own FILE; only ever passed back to it

struct FileTime {  // FILETIME
  std::uint32_t low;
  std::uint32_t high;
};

// WIN32_FIND_DATAW as Windows CE lays it out: no cAlternateFileName, and the object identifier after the size.
struct FindData {
  std::uint32_t fileAttributes;
  FileTime creationTime;
  FileTime lastAccessTime;
  FileTime lastWriteTime;
  std::uint32_t fileSizeHigh;
  std::uint32_t fileSizeLow;
  std::uint32_t oid;
  char16_t fileName[260];
};
static_assert(sizeof(FindData) == 560, "Windows CE's WIN32_FIND_DATAW is 560 bytes");
static_assert(offsetof(FindData, fileSizeHigh) == 28 && offsetof(FindData, fileSizeLow) == 32,
              "Windows CE's WIN32_FIND_DATAW layout");
static_assert(offsetof(FindData, fileName) == 40, "the name field of Windows CE's WIN32_FIND_DATAW is at 40");

}  // namespace coredll

// The import address table's slots (coredll_imports.S).
extern "C" {
extern coredll::Handle (*__imp_FindFirstFileW)(const char16_t* fileName, coredll::FindData* findData);
extern coredll::Bool (*__imp_FindNextFileW)(coredll::Handle findFile, coredll::FindData* findData);
extern coredll::Bool (*__imp_FindClose)(coredll::Handle findFile);
// The three figures are ULARGE_INTEGERs: available to the caller, total size, total free.
extern coredll::Bool (*__imp_GetDiskFreeSpaceExW)(const char16_t* directoryName, std::uint64_t* freeBytesAvailable,
                                                  std::uint64_t* totalBytes, std::uint64_t* totalFreeBytes);
extern coredll::File* (*__imp__wfopen)(const char16_t* fileName, const char16_t* mode);
extern int (*__imp_fputws)(const char16_t* text, coredll::File* stream);
extern std::size_t (*__imp_fwrite)(const void* data, std::size_t itemSize, std::size_t count, coredll::File* stream);
extern int (*__imp_fclose)(coredll::File* stream);
}
