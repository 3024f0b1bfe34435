#include "fake_handheld.h"

#include <algorithm>
#include <cstring>

#include "host_text.h"

namespace agent_test {

namespace {

std::u16string ParentOf(const std::u16string& path) {
  const std::size_t slash = path.rfind(u'\\');
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

std::string TranslateLineFeeds(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

agent::PlatformStream* FakeHandheld::OpenStream(const char16_t* path, const char* mode) {
  const std::u16string name(path);
  const std::string how(mode);
  if (how != "wt" && how != "wb") return nullptr;
  if (folders.count(ParentOf(name)) == 0 || unwritable.count(name) != 0) return nullptr;
  files[name].clear();
  streams_.push_back(std::make_unique<Stream>(Stream{name, how == "wt"}));
  ++openStreams;
  return reinterpret_cast<agent::PlatformStream*>(streams_.back().get());
}

void FakeHandheld::Append(Stream& stream, const std::string& bytes) {
  files[stream.path] += stream.textMode ? TranslateLineFeeds(bytes) : bytes;
}

void FakeHandheld::WriteWideString(agent::PlatformStream* stream, const char16_t* text) {
  auto& s = *reinterpret_cast<Stream*>(stream);
  if (s.textMode) {
    files[s.path] += agent::EncodeTextModeWide(text);
    return;
  }
  // Not a use the agent has: the units go out as they are in memory, which no launcher would read.
  for (; *text != 0; ++text) {
    files[s.path] += static_cast<char>(*text & 0xFF);
    files[s.path] += static_cast<char>(*text >> 8);
  }
}

void FakeHandheld::WriteBlock(agent::PlatformStream* stream, const void* data, std::size_t itemSize,
                              std::size_t count) {
  Append(*reinterpret_cast<Stream*>(stream), std::string(static_cast<const char*>(data), itemSize * count));
}

void FakeHandheld::CloseStream(agent::PlatformStream* stream) {
  auto* s = reinterpret_cast<Stream*>(stream);
  streams_.erase(std::find_if(streams_.begin(), streams_.end(),
                              [s](const std::unique_ptr<Stream>& owned) { return owned.get() == s; }));
  --openStreams;
}

void FakeHandheld::Fill(std::size_t index, agent::FindRecord* record) const {
  const RootEntry& entry = root[index];
  record->attributes = entry.attributes;
  // Stale units after the terminator, as a reused find-data buffer would hold.
  std::fill(std::begin(record->name), std::end(record->name), char16_t(0xA5A5));
  const std::size_t units = std::min(entry.name.size(), agent::kMaxPath);
  std::memcpy(record->name, entry.name.data(), units * sizeof(char16_t));
  if (units < agent::kMaxPath) record->name[units] = 0;
}

agent::PlatformSearch* FakeHandheld::FindFirst(const char16_t* pattern, agent::FindRecord* record) {
  ++searchesStarted;
  if (enumerationFails || std::u16string(pattern) != u"\\*" || root.empty()) return nullptr;
  searches_.push_back(std::make_unique<Search>(Search{1}));
  ++openSearches;
  Fill(0, record);
  return reinterpret_cast<agent::PlatformSearch*>(searches_.back().get());
}

bool FakeHandheld::FindNext(agent::PlatformSearch* search, agent::FindRecord* record) {
  auto& s = *reinterpret_cast<Search*>(search);
  if (s.next >= root.size()) return false;
  Fill(s.next++, record);
  return true;
}

void FakeHandheld::FindClose(agent::PlatformSearch* search) {
  auto* s = reinterpret_cast<Search*>(search);
  searches_.erase(std::find_if(searches_.begin(), searches_.end(),
                               [s](const std::unique_ptr<Search>& owned) { return owned.get() == s; }));
  --openSearches;
}

bool FakeHandheld::QueryFreeSpace(const char16_t* path, agent::FreeSpace* space) {
  queriedPaths.emplace_back(path);
  for (const RootEntry& entry : root) {
    if (entry.name != path) continue;
    if (entry.queryFails) return false;
    *space = entry.space;
    return true;
  }
  return false;
}

RootEntry Volume(const std::u16string& name, std::uint64_t totalFreeBytes) {
  RootEntry entry{agent::kAttributeDirectory | agent::kAttributeTemporary, name, {}};
  entry.space.totalFreeBytes = totalFreeBytes;
  entry.space.freeBytesAvailableToCaller = totalFreeBytes / 2;
  entry.space.totalBytes = totalFreeBytes * 3 + 1048576;
  return entry;
}

}  // namespace agent_test
