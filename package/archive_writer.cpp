#include "archive_writer.h"

#include "archive_format.h"

namespace talv {
namespace {

void PutLe16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

void PutLe32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

bool ArchiveWriter::Fail(const std::string& what) {
  if (error_.empty()) error_ = what;
  return false;
}

bool ArchiveWriter::Put(const void* data, size_t size) { return sink_->Write(data, size) || Fail("write failed"); }

bool ArchiveWriter::WriteHeader(unsigned char productFlag, unsigned char launcherFlag, uint16_t entryCount) {
  if (!error_.empty()) return false;
  if (headerWritten_) return Fail("header written twice");
  unsigned char header[kArchiveHeaderSize] = {productFlag, launcherFlag, 0, 0};
  PutLe16(header + 4, entryCount);
  headerWritten_ = true;
  entriesDeclared_ = entryCount;
  return Put(header, sizeof header);
}

bool ArchiveWriter::BeginEntry(const std::string& name, const std::string& folder, uint32_t dataSize) {
  if (!error_.empty()) return false;
  if (!headerWritten_) return Fail("entry before the header");
  if (dataLeft_ != 0) return Fail("previous entry's data incomplete");
  if (entriesBegun_ >= entriesDeclared_) return Fail("more entries than declared");
  if (name.size() > kMaxTextLength) return Fail("name over 259 bytes: " + name);
  if (folder.size() > kMaxTextLength) return Fail("folder over 259 bytes: " + folder);
  ++entriesBegun_;
  unsigned char fields[kEntryHeaderSize];
  PutLe16(fields, static_cast<uint16_t>(name.size()));
  PutLe16(fields + 2, static_cast<uint16_t>(folder.size()));
  PutLe32(fields + 4, dataSize);
  dataLeft_ = dataSize;
  return Put(fields, sizeof fields) && Put(name.data(), name.size()) && Put(folder.data(), folder.size());
}

bool ArchiveWriter::WriteData(const void* data, size_t size) {
  if (!error_.empty()) return false;
  if (size > dataLeft_) return Fail("more data than declared");
  dataLeft_ -= static_cast<uint32_t>(size);
  return Put(data, size);
}

bool ArchiveWriter::CopyData(FILE* source, uint32_t size) {
  unsigned char buffer[16384];
  while (size > 0) {
    const size_t want = size < sizeof buffer ? size : sizeof buffer;
    const size_t got = fread(buffer, 1, want, source);
    if (got != want) return Fail(ferror(source) ? "read error in a source file" : "source file shorter than declared");
    if (!WriteData(buffer, got)) return false;
    size -= static_cast<uint32_t>(got);
  }
  return error_.empty();
}

bool ArchiveWriter::WriteEntry(const std::string& name, const std::string& folder, const std::string& data) {
  if (data.size() > UINT32_MAX) return Fail("data of 4 GiB or more");
  return BeginEntry(name, folder, static_cast<uint32_t>(data.size())) && WriteData(data.data(), data.size());
}

bool ArchiveWriter::Finish() {
  if (!error_.empty()) return false;
  if (!headerWritten_) return Fail("no header");
  if (dataLeft_ != 0) return Fail("last entry's data incomplete");
  if (entriesBegun_ != entriesDeclared_) return Fail("fewer entries than declared");
  return true;
}

}  // namespace talv
