// Layout constants of the package archive (the decompressed package): a 6-byte header of two flag bytes,
// a reserved word and the entry count, then entries of NameLength, FolderLength, DataSize, Name, Folder,
// Data. Integers are unsigned little-endian; text is 8-bit ISO 8859-1, not terminated.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talv {

constexpr size_t kArchiveHeaderSize = 6;
constexpr size_t kEntryHeaderSize = 8;
// Name and Folder must fit a 260-byte text buffer with its terminating zero.
constexpr size_t kMaxTextLength = 259;
// A device path is converted into 260 UTF-16 units, its terminator included.
constexpr size_t kMaxDevicePathLength = 259;
constexpr size_t kTagLength = 5;  // "[PRG]"
constexpr uint32_t kMaxEntryCount = 0xFFFF;

// The four known tags, in the order the package tool stores them.
constexpr const char* kKnownTags[] = {"PRG", "DOC", "WIN", "HLP"};

}  // namespace talv
