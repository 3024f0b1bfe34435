// The COREDLL.dll functions the device agent imports, done in C++ over the emulated handheld's folder. Strict:
// whatever a real handheld would turn into a crash or a silent misbehaviour (a bad pointer, an unterminated
// string, a handle it never handed out) stops the run with a fault naming it instead.
#pragma once

#include <unicorn/unicorn.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "guest_memory.h"
#include "handheld_folder.h"

namespace ce {

class CoredllStandIn {
 public:
  CoredllStandIn(GuestMemory& memory, HandheldFolder& folder) : memory_(memory), folder_(folder) {}
  ~CoredllStandIn();
  CoredllStandIn(const CoredllStandIn&) = delete;
  CoredllStandIn& operator=(const CoredllStandIn&) = delete;

  // The functions it provides, in a fixed order: a function's index picks its stub.
  static const std::vector<std::string>& Functions();
  static int IndexOf(const std::string& function);  // -1 when unknown
  // By COREDLL's export ordinal, the same on Windows CE 5 and 6: how the platform's own toolchain imports.
  static int IndexOfOrdinal(uint16_t ordinal);  // -1 when unknown

  // Runs function `index` with the arguments of the call in the engine's registers (and stack), and puts
  // its result in r0. False with the fault in *fault when the call breaks the rules.
  bool Call(uc_engine* engine, int index, std::string* fault);

  // What the program left open, one item per handle ("FILE \MSize.DFS (mode wb)"); empty when all is closed.
  std::vector<std::string> LeftOpen() const;

 private:
  struct Stream {
    int fd = -1;
    std::u16string devicePath;
    std::string mode;
    bool text = true, writable = false;
    int area = kMainStore;
  };
  struct Search {
    std::u16string pattern;
    std::vector<FolderEntry> entries;
    std::size_t next = 0;
  };
  struct Args {
    uint32_t value[4];
  };

  bool OpenStream(const Args& a, uint32_t* result, std::string* fault);
  bool PutWideString(const Args& a, uint32_t* result, std::string* fault);
  bool WriteItems(const Args& a, uint32_t* result, std::string* fault);
  bool CloseStream(const Args& a, uint32_t* result, std::string* fault);
  bool FindFirst(const Args& a, uint32_t* result, std::string* fault);
  bool FindNext(const Args& a, uint32_t* result, std::string* fault);
  bool FindCloseSearch(const Args& a, uint32_t* result, std::string* fault);
  bool DiskFreeSpace(const Args& a, uint32_t* result, std::string* fault);

  bool String(uint32_t address, const char* what, std::u16string* text, std::string* fault) const;
  Stream* StreamOf(uint32_t handle, const char* function, std::string* fault);
  // Appends bytes that fit the stream's area; false (nothing written) when they do not fit.
  bool Append(Stream& stream, const std::string& bytes);
  bool FillFindData(uint32_t address, const FolderEntry& entry);
  // Writable, and aligned as the handheld's code that fills it needs.
  bool FindDataUsable(uint32_t address, std::string* fault) const;

  GuestMemory& memory_;
  HandheldFolder& folder_;
  std::map<uint32_t, Stream> streams_;
  std::map<uint32_t, Search> searches_;
  uint32_t nextStream_ = 0x7E000040;  // in no mapped memory: a program that looks inside its FILE faults
  uint32_t nextSearch_ = 0x2E000010;
};

}  // namespace ce
