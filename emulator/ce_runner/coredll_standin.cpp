#include "coredll_standin.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "host_text.h"

namespace ce {
namespace {

constexpr uint32_t kInvalidHandle = 0xFFFFFFFF;
constexpr uint32_t kFindDataSize = 560;  // Windows CE's WIN32_FIND_DATAW: cFileName[260] at 40, dwOID at 36
constexpr uint32_t kWeof = 0xFFFF;
constexpr uint32_t kAttributeDirectory = 0x10, kAttributeArchive = 0x20, kAttributeTemporary = 0x100;

enum Function { kWfopen, kFputws, kFwrite, kFclose, kFindFirst, kFindNext, kFindClose, kDiskFree };

std::string Hex(uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

void PutU32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

std::string Printable(const std::u16string& text) { return Utf8(text); }

}  // namespace

CoredllStandIn::~CoredllStandIn() {
  for (auto& stream : streams_) close(stream.second.fd);
}

const std::vector<std::string>& CoredllStandIn::Functions() {
  static const std::vector<std::string> names = {"_wfopen",        "fputws",        "fwrite",    "fclose",
                                                 "FindFirstFileW", "FindNextFileW", "FindClose", "GetDiskFreeSpaceExW"};
  return names;
}

int CoredllStandIn::IndexOfOrdinal(uint16_t ordinal) {
  // In the order of Functions().
  static const uint16_t ordinals[] = {1145, 1144, 1121, 1118, 167, 181, 180, 184};
  for (std::size_t i = 0; i < sizeof ordinals / sizeof ordinals[0]; ++i) {
    if (ordinals[i] == ordinal) return static_cast<int>(i);
  }
  return -1;
}

int CoredllStandIn::IndexOf(const std::string& function) {
  const auto& names = Functions();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == function) return static_cast<int>(i);
  }
  return -1;
}

bool CoredllStandIn::Call(uc_engine* engine, int index, std::string* fault) {
  Args a;
  const int registers[4] = {UC_ARM_REG_R0, UC_ARM_REG_R1, UC_ARM_REG_R2, UC_ARM_REG_R3};
  for (int i = 0; i < 4; ++i) uc_reg_read(engine, registers[i], &a.value[i]);
  uint32_t result = 0;
  bool ok = false;
  switch (index) {
    case kWfopen: ok = OpenStream(a, &result, fault); break;
    case kFputws: ok = PutWideString(a, &result, fault); break;
    case kFwrite: ok = WriteItems(a, &result, fault); break;
    case kFclose: ok = CloseStream(a, &result, fault); break;
    case kFindFirst: ok = FindFirst(a, &result, fault); break;
    case kFindNext: ok = FindNext(a, &result, fault); break;
    case kFindClose: ok = FindCloseSearch(a, &result, fault); break;
    case kDiskFree: ok = DiskFreeSpace(a, &result, fault); break;
    default: *fault = "call of an unknown stub " + std::to_string(index); return false;
  }
  if (!ok) {
    *fault = Functions()[index] + ": " + *fault;
    return false;
  }
  uc_reg_write(engine, UC_ARM_REG_R0, &result);
  return true;
}

std::vector<std::string> CoredllStandIn::LeftOpen() const {
  std::vector<std::string> open;
  for (const auto& stream : streams_)
    open.push_back("FILE " + Printable(stream.second.devicePath) + " (mode " + stream.second.mode + ")");
  for (const auto& search : searches_) open.push_back("search " + Printable(search.second.pattern));
  return open;
}

bool CoredllStandIn::String(uint32_t address, const char* what, std::u16string* text, std::string* fault) const {
  std::string why;
  if (memory_.ReadWideString(address, text, &why)) return true;
  *fault = std::string(what) + " at " + Hex(address) + " " + why;
  return false;
}

CoredllStandIn::Stream* CoredllStandIn::StreamOf(uint32_t handle, const char* function, std::string* fault) {
  auto found = streams_.find(handle);
  if (found != streams_.end()) return &found->second;
  *fault = "FILE* " + Hex(handle) + " was not handed out by _wfopen, or is already closed";
  return nullptr;
}

bool CoredllStandIn::Append(Stream& stream, const std::string& bytes) {
  if (bytes.size() > folder_.FreeBytes(stream.area)) return false;  // ERROR_DISK_FULL
  if (!WriteAll(stream.fd, bytes)) return false;
  folder_.Adjust(stream.area, static_cast<int64_t>(bytes.size()));
  return true;
}

bool CoredllStandIn::OpenStream(const Args& a, uint32_t* result, std::string* fault) {
  std::u16string path, modeText;
  if (!String(a.value[0], "the file name", &path, fault) || !String(a.value[1], "the mode", &modeText, fault))
    return false;
  *result = 0;
  Stream stream;
  stream.devicePath = path;
  stream.mode = Utf8(modeText);
  if (modeText.empty() || (modeText[0] != u'r' && modeText[0] != u'w' && modeText[0] != u'a')) return true;
  bool plus = false;
  for (std::size_t i = 1; i < modeText.size(); ++i) {
    if (modeText[i] == u'b')
      stream.text = false;
    else if (modeText[i] == u'+')
      plus = true;
    else if (modeText[i] != u't')
      return true;  // EINVAL: a null FILE*
  }
  stream.writable = modeText[0] != u'r' || plus;
  ResolvedPath resolved;
  if (folder_.Resolve(path.c_str(), &resolved) != 0) return true;
  if (resolved.directory || (modeText[0] == u'r' && !resolved.exists)) return true;
  if (stream.writable && folder_.ReadOnly(resolved.area)) return true;  // ERROR_WRITE_PROTECT
  int flags =
      O_NOFOLLOW | O_CLOEXEC | (stream.writable ? (modeText[0] == u'r' && !plus ? O_RDONLY : O_RDWR) : O_RDONLY);
  if (modeText[0] == u'w') flags |= O_CREAT | O_TRUNC;
  if (modeText[0] == u'a') flags |= O_CREAT | O_APPEND;
  struct stat before {};
  const bool existed = stat(resolved.host.c_str(), &before) == 0;
  stream.area = resolved.area;
  if (modeText[0] == u'w' && existed) folder_.UsedBytes(stream.area);  // measured before the truncation
  stream.fd = open(resolved.host.c_str(), flags, 0666);
  if (stream.fd < 0) return true;
  if (modeText[0] == u'w' && existed) folder_.Adjust(stream.area, -static_cast<int64_t>(before.st_size));
  *result = nextStream_;
  nextStream_ += 0x40;
  streams_[*result] = stream;
  return true;
}

bool CoredllStandIn::PutWideString(const Args& a, uint32_t* result, std::string* fault) {
  std::u16string text;
  if (!String(a.value[0], "the string", &text, fault)) return false;
  Stream* stream = StreamOf(a.value[1], "fputws", fault);
  if (stream == nullptr) return false;
  std::string bytes;
  if (stream->text) {
    bytes = agent::EncodeTextModeWide(text.c_str());
  } else {
    for (char16_t unit : text) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
  }
  *result = stream->writable && Append(*stream, bytes) ? 0 : kWeof;
  return true;
}

bool CoredllStandIn::WriteItems(const Args& a, uint32_t* result, std::string* fault) {
  const uint32_t data = a.value[0], itemSize = a.value[1], count = a.value[2];
  Stream* stream = StreamOf(a.value[3], "fwrite", fault);
  if (stream == nullptr) return false;
  *result = 0;
  const uint64_t total = static_cast<uint64_t>(itemSize) * count;
  if (total == 0) return true;
  if (total > 0xFFFFFFFFull || !memory_.Readable(data, static_cast<uint32_t>(total))) {
    *fault = "the buffer at " + Hex(data) + " of " + std::to_string(itemSize) + " x " + std::to_string(count) +
             " bytes is not in readable memory";
    return false;
  }
  if (!stream->writable) return true;
  std::vector<uint8_t> bytes(static_cast<std::size_t>(total));
  memory_.Read(data, bytes.data(), bytes.size());
  // Whole items while they fit; the first that does not ends the write (ERROR_DISK_FULL), as a short count.
  for (uint32_t item = 0; item < count; ++item) {
    std::string out;
    for (uint32_t i = 0; i < itemSize; ++i) {
      const char byte = static_cast<char>(bytes[static_cast<std::size_t>(item) * itemSize + i]);
      if (stream->text && byte == '\n') out += '\r';
      out += byte;
    }
    if (!Append(*stream, out)) break;
    ++*result;
  }
  return true;
}

bool CoredllStandIn::CloseStream(const Args& a, uint32_t* result, std::string* fault) {
  Stream* stream = StreamOf(a.value[0], "fclose", fault);
  if (stream == nullptr) return false;
  close(stream->fd);
  streams_.erase(a.value[0]);
  *result = 0;
  return true;
}

bool CoredllStandIn::FillFindData(uint32_t address, const FolderEntry& entry) {
  uint8_t head[40] = {};
  const uint32_t attributes = entry.volume      ? kAttributeDirectory | kAttributeTemporary
                              : entry.directory ? kAttributeDirectory
                                                : kAttributeArchive;
  PutU32(head, attributes);
  const uint64_t fileTime = (static_cast<uint64_t>(entry.modifiedUnixSeconds) + 11644473600ull) * 10000000ull;
  for (int t = 0; t < 3; ++t) {
    PutU32(head + 4 + 8 * t, static_cast<uint32_t>(fileTime));
    PutU32(head + 8 + 8 * t, static_cast<uint32_t>(fileTime >> 32));
  }
  PutU32(head + 28, static_cast<uint32_t>(entry.size >> 32));
  PutU32(head + 32, static_cast<uint32_t>(entry.size));
  // The name and its terminator only: the rest of the field keeps what the program's buffer held, as on the
  // handheld, so a program that reads past the terminator is not helped by zeros.
  std::string name;
  for (char16_t unit : entry.name) {
    name += static_cast<char>(unit & 0xFF);
    name += static_cast<char>(unit >> 8);
  }
  name.append(2, '\0');
  return memory_.Write(address, head, sizeof head) && memory_.Write(address + 40, name.data(), name.size());
}

bool CoredllStandIn::FindDataUsable(uint32_t address, std::string* fault) const {
  if (address % 4 != 0) {
    *fault = "the find data at " + Hex(address) + " is not aligned to 4 bytes (the handheld faults on it)";
    return false;
  }
  if (!memory_.Writable(address, kFindDataSize)) {
    *fault = "the find data at " + Hex(address) + " is not 560 bytes of writable memory";
    return false;
  }
  return true;
}

bool CoredllStandIn::FindFirst(const Args& a, uint32_t* result, std::string* fault) {
  std::u16string pattern;
  if (!String(a.value[0], "the search pattern", &pattern, fault)) return false;
  if (!FindDataUsable(a.value[1], fault)) return false;
  *result = kInvalidHandle;
  const std::size_t slash = pattern.rfind(u'\\');
  const std::u16string folderPath = slash == std::u16string::npos || slash == 0 ? u"\\" : pattern.substr(0, slash);
  const std::u16string names = slash == std::u16string::npos ? pattern : pattern.substr(slash + 1);
  ResolvedPath folder;
  if (names.empty() || folder_.Resolve(folderPath.c_str(), &folder) != 0 || !folder.exists || !folder.directory)
    return true;
  Search search;
  search.pattern = pattern;
  for (const FolderEntry& entry : folder_.List(folder, folderPath == u"\\")) {
    if (WildcardMatch(names, entry.name)) search.entries.push_back(entry);
  }
  if (search.entries.empty()) return true;  // ERROR_NO_MORE_FILES: nothing to enumerate
  if (!FillFindData(a.value[1], search.entries[0])) {
    *fault = "the find data at " + Hex(a.value[1]) + " cannot be written";
    return false;
  }
  search.next = 1;
  *result = nextSearch_;
  nextSearch_ += 0x10;
  searches_[*result] = search;
  return true;
}

bool CoredllStandIn::FindNext(const Args& a, uint32_t* result, std::string* fault) {
  auto found = searches_.find(a.value[0]);
  if (found == searches_.end()) {
    *fault = "search handle " + Hex(a.value[0]) + " was not handed out by FindFirstFileW, or is already closed";
    return false;
  }
  if (!FindDataUsable(a.value[1], fault)) return false;
  Search& search = found->second;
  *result = 0;
  if (search.next >= search.entries.size()) return true;  // ERROR_NO_MORE_FILES
  FillFindData(a.value[1], search.entries[search.next++]);
  *result = 1;
  return true;
}

bool CoredllStandIn::FindCloseSearch(const Args& a, uint32_t* result, std::string* fault) {
  if (searches_.erase(a.value[0]) == 0) {
    *fault = "search handle " + Hex(a.value[0]) + " was not handed out by FindFirstFileW, or is already closed";
    return false;
  }
  *result = 1;
  return true;
}

bool CoredllStandIn::DiskFreeSpace(const Args& a, uint32_t* result, std::string* fault) {
  std::u16string path = u"\\";  // null: the root folder
  if (a.value[0] != 0 && !String(a.value[0], "the path", &path, fault)) return false;
  for (int i = 1; i < 4; ++i) {
    if (a.value[i] % 4 != 0) {
      *fault = "result " + std::to_string(i) + " at " + Hex(a.value[i]) +
               " is not aligned to 4 bytes (the handheld faults on it)";
      return false;
    }
    if (a.value[i] != 0 && !memory_.Writable(a.value[i], 8)) {
      *fault = "result " + std::to_string(i) + " at " + Hex(a.value[i]) + " is not 8 bytes of writable memory";
      return false;
    }
  }
  *result = 0;
  // Windows CE has no current folder: "ROMDisk" and "\ROMDisk" name the same place.
  if (path.empty() || path[0] != u'\\') path.insert(0, 1, u'\\');
  ResolvedPath resolved;
  if (folder_.Resolve(path.c_str(), &resolved) != 0 || !resolved.exists) return true;
  const uint64_t freeBytes = folder_.FreeBytes(resolved.area), capacity = folder_.Capacity(resolved.area);
  const uint64_t figures[3] = {freeBytes, capacity, freeBytes};
  for (int i = 0; i < 3; ++i) {
    if (a.value[i + 1] == 0) continue;
    uint8_t bytes[8];
    PutU32(bytes, static_cast<uint32_t>(figures[i]));
    PutU32(bytes + 4, static_cast<uint32_t>(figures[i] >> 32));
    memory_.Write(a.value[i + 1], bytes, sizeof bytes);
  }
  *result = 1;
  return true;
}

}  // namespace ce
