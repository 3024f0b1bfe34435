// Writes a package archive to a ByteSink: the header, then each entry's fields followed by its data,
// which may be streamed from a file. Refuses what the reader would refuse: text over 259 bytes, data
// that does not match its declared size, a count of entries other than the one declared.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "byte_sink.h"

namespace talv {

class ArchiveWriter {
 public:
  explicit ArchiveWriter(ByteSink* sink) : sink_(sink) {}

  bool WriteHeader(unsigned char productFlag, unsigned char launcherFlag, uint16_t entryCount);
  // Name and folder (tag included) are archive bytes, at most 259 each. The entry's dataSize bytes must
  // follow through WriteData or CopyData before the next entry.
  bool BeginEntry(const std::string& name, const std::string& folder, uint32_t dataSize);
  bool WriteData(const void* data, size_t size);
  // Streams exactly `size` bytes of `source`; false when it holds fewer.
  bool CopyData(FILE* source, uint32_t size);
  // Convenience for small entries: BeginEntry + WriteData.
  bool WriteEntry(const std::string& name, const std::string& folder, const std::string& data);
  // True when every declared entry was written completely.
  bool Finish();

  const std::string& Error() const { return error_; }

 private:
  bool Fail(const std::string& what);
  bool Put(const void* data, size_t size);

  ByteSink* sink_;
  bool headerWritten_ = false;
  uint32_t entriesDeclared_ = 0;
  uint32_t entriesBegun_ = 0;
  uint32_t dataLeft_ = 0;
  std::string error_;
};

}  // namespace talv
