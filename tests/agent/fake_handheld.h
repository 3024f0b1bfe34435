// An in-memory handheld for the agent's logic: folders, files, root entries with free-space figures. It
// behaves like the device runtime where a wrong call would show: text-mode streams translate line feeds (in
// byte blocks too), a file opens only in an existing folder, the search answers only the root pattern "\*",
// the free-space query knows volumes only by the bare name the enumeration returned, and the find data's
// name field is left full of stale units beyond the terminator.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "agent_platform.h"

namespace agent_test {

struct RootEntry {
  std::uint32_t attributes;
  std::u16string name;
  agent::FreeSpace space;
  bool queryFails = false;
};

class FakeHandheld : public agent::Platform {
 public:
  std::set<std::u16string> folders{u""};        // existing folders; u"" is the root
  std::map<std::u16string, std::string> files;  // device path -> bytes
  std::set<std::u16string> unwritable;          // paths whose open fails
  std::vector<RootEntry> root;                  // what "\*" enumerates, in this order
  bool enumerationFails = false;

  int openStreams = 0;
  int openSearches = 0;
  int searchesStarted = 0;
  std::vector<std::u16string> queriedPaths;

  agent::PlatformStream* OpenStream(const char16_t* path, const char* mode) override;
  void WriteWideString(agent::PlatformStream* stream, const char16_t* text) override;
  void WriteBlock(agent::PlatformStream* stream, const void* data, std::size_t itemSize, std::size_t count) override;
  void CloseStream(agent::PlatformStream* stream) override;

  agent::PlatformSearch* FindFirst(const char16_t* pattern, agent::FindRecord* record) override;
  bool FindNext(agent::PlatformSearch* search, agent::FindRecord* record) override;
  void FindClose(agent::PlatformSearch* search) override;

  bool QueryFreeSpace(const char16_t* path, agent::FreeSpace* space) override;

 private:
  struct Stream {
    std::u16string path;
    bool textMode;
  };
  struct Search {
    std::size_t next;
  };
  void Append(Stream& stream, const std::string& bytes);
  void Fill(std::size_t index, agent::FindRecord* record) const;

  std::vector<std::unique_ptr<Stream>> streams_;
  std::vector<std::unique_ptr<Search>> searches_;
};

// A volume as the handheld mounts it: directory + temporary, with distinct figures for the three results so
// that a reader of the wrong one is caught.
RootEntry Volume(const std::u16string& name, std::uint64_t totalFreeBytes);

}  // namespace agent_test
