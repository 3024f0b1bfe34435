#include "device_agent.h"

#include <cstdint>
#include <cstring>

#include "wide_text.h"

namespace agent {

namespace {

const char16_t kSwitchFendro[] = u"-fenspec";
const char16_t kSwitchTalvenia[] = u"-talvspec";

struct LauncherEntry {
  const char16_t* path;
  const char16_t* lines[3];
};

const LauncherEntry kTalveniaEntry = {u"\\ROMDisk2\\INI\\Talvenia2016.ini",
                                      {u"[Launcher]\n", u"view_name=Talvenia 2016\n",
                                       u"exe_path=\\ROMDisk\\PROGRAM\\Talvenia\\Talvenia2016\\Talvenia.exe\n"}};

const LauncherEntry kFendroEntry = {u"\\ROMDisk2\\INI\\OstrelField.ini",
                                    {u"[Launcher]\n", u"view_name=OSTREL Field\n",
                                     u"exe_path=\\ROMDisk\\PROGRAM\\Ostrel\\OstrelField\\OstrelField.exe\n"}};

class StreamOwner {
 public:
  StreamOwner(Platform& platform, PlatformStream* stream) : platform_(platform), stream_(stream) {}
  ~StreamOwner() {
    if (stream_ != nullptr) platform_.CloseStream(stream_);
  }
  StreamOwner(const StreamOwner&) = delete;
  StreamOwner& operator=(const StreamOwner&) = delete;

  explicit operator bool() const { return stream_ != nullptr; }
  PlatformStream* get() const { return stream_; }

 private:
  Platform& platform_;
  PlatformStream* stream_;
};

class SearchOwner {
 public:
  SearchOwner(Platform& platform, PlatformSearch* search) : platform_(platform), search_(search) {}
  ~SearchOwner() {
    if (search_ != nullptr) platform_.FindClose(search_);
  }
  SearchOwner(const SearchOwner&) = delete;
  SearchOwner& operator=(const SearchOwner&) = delete;

  explicit operator bool() const { return search_ != nullptr; }
  PlatformSearch* get() const { return search_; }

 private:
  Platform& platform_;
  PlatformSearch* search_;
};

bool IsStorageVolume(const FindRecord& record) {
  const std::uint32_t volume = kAttributeDirectory | kAttributeTemporary;
  return (record.attributes & volume) == volume;
}

// The name field goes out whole, but only the name and its terminator come from the find data: the units
// after it are zeros, so the report never carries leftovers of earlier entries or of uninitialised memory.
void EncodeNameField(const char16_t* name, unsigned char (&field)[kReportNameBytes]) {
  std::memset(field, 0, sizeof field);
  for (std::size_t i = 0; i + 1 < kMaxPath && name[i] != 0; ++i) {
    field[2 * i] = static_cast<unsigned char>(name[i] & 0xFF);
    field[2 * i + 1] = static_cast<unsigned char>(name[i] >> 8);
  }
}

void EncodeDouble(double value, unsigned char (&bytes)[8]) {
  std::uint64_t bits = 0;
  static_assert(sizeof bits == sizeof value, "IEEE-754 double expected");
  std::memcpy(&bits, &value, sizeof bits);
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
}

// A failed query leaves no figure to report; -1 MB reads as "unknown" to the installer rather than as a
// plausible amount of free space.
double FreeMegabytesOf(Platform& platform, const char16_t* volumeName) {
  FreeSpace space;
  if (!platform.QueryFreeSpace(volumeName, &space)) return kFreeSpaceUnknownMegabytes;
  return static_cast<double>(space.totalFreeBytes) / 1024.0 / 1024.0;
}

void WriteReportRecord(Platform& platform, PlatformStream* report, const FindRecord& volume) {
  char16_t volumeName[kMaxPath];  // terminated even if the find data's name field is not
  WideCopy(volumeName, kMaxPath, volume.name);
  unsigned char name[kReportNameBytes];
  EncodeNameField(volumeName, name);
  unsigned char megabytes[8];
  EncodeDouble(FreeMegabytesOf(platform, volumeName), megabytes);
  platform.WriteBlock(report, name, 2, kMaxPath);
  platform.WriteBlock(report, megabytes, sizeof megabytes, 1);
}

}  // namespace

int RunDeviceAgent(Platform& platform, const char16_t* commandLine) {
  const char16_t* arguments = commandLine != nullptr ? commandLine : u"";
  if (WideEquals(arguments, kSwitchFendro)) {
    WriteLauncherEntry(platform, Product::Fendro);
  } else if (WideEquals(arguments, kSwitchTalvenia)) {
    WriteLauncherEntry(platform, Product::Talvenia);
  } else {
    WriteStorageReport(platform);
  }
  return 0;
}

void WriteLauncherEntry(Platform& platform, Product product) {
  const LauncherEntry& entry = product == Product::Talvenia ? kTalveniaEntry : kFendroEntry;
  StreamOwner file(platform, platform.OpenStream(entry.path, "wt"));
  if (!file) return;
  char16_t line[kMaxPath];
  for (const char16_t* text : entry.lines) {
    WideCopy(line, kMaxPath, text);
    platform.WriteWideString(file.get(), line);
  }
}

void WriteStorageReport(Platform& platform) {
  const char16_t pattern[3] = {u'\\', u'*', 0};
  StreamOwner report(platform, platform.OpenStream(talv::kStorageReportDevicePath, "wb"));
  if (!report) return;
  FindRecord entry;
  SearchOwner search(platform, platform.FindFirst(pattern, &entry));
  if (!search) return;
  do {
    if (IsStorageVolume(entry)) WriteReportRecord(platform, report.get(), entry);
  } while (platform.FindNext(search.get(), &entry));
}

}  // namespace agent
