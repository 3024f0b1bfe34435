#include "mini_image.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace ce_test {
namespace {

constexpr uint32_t kIdata = 0x2000;  // RVA of .idata
constexpr uint32_t kIat = kIdata, kLookup = kIdata + 0x400, kDescriptors = kIdata + 0x800, kNames = kIdata + 0xA00;

void Put16(std::vector<uint8_t>& out, std::size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}
void Put32(std::vector<uint8_t>& out, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The DLLs in order of first appearance; each gets a run of slots ended by a zero slot.
std::vector<std::string> DllsOf(const ImageSpec& spec) {
  std::vector<std::string> dlls;
  for (const Import& import : spec.imports) {
    bool known = false;
    for (const std::string& dll : dlls) known = known || dll == import.dll;
    if (!known) dlls.push_back(import.dll);
  }
  return dlls;
}

// Slot index (in 4-byte units from the table's start) of every import.
std::vector<uint32_t> SlotIndexes(const ImageSpec& spec) {
  std::vector<uint32_t> indexes(spec.imports.size());
  uint32_t next = 0;
  for (const std::string& dll : DllsOf(spec)) {
    for (std::size_t i = 0; i < spec.imports.size(); ++i) {
      if (spec.imports[i].dll == dll) indexes[i] = next++;
    }
    ++next;  // the run's terminator
  }
  return indexes;
}

void AddSection(std::vector<uint8_t>& file, std::size_t header, const char* name, uint32_t rva, uint32_t virtualSize,
                uint32_t flags) {
  std::memcpy(&file[header], name, std::strlen(name));
  Put32(file, header + 8, virtualSize);
  Put32(file, header + 12, rva);
  Put32(file, header + 16, 0x1000);
  Put32(file, header + 20, rva);  // file offset = RVA: FileAlignment = SectionAlignment
  Put32(file, header + 36, flags);
}

}  // namespace

uint32_t ImportSlot(const ImageSpec& spec, std::size_t index) {
  return spec.imageBase + kIat + 4 * SlotIndexes(spec)[index];
}

std::vector<uint8_t> BuildImage(const ImageSpec& spec) {
  std::vector<uint8_t> file(0x4000, 0);
  file[0] = 'M', file[1] = 'Z';
  const std::size_t pe = 0x80;
  Put32(file, 0x3C, pe);
  std::memcpy(&file[pe], "PE\0\0", 4);
  Put16(file, pe + 4, spec.machine);
  Put16(file, pe + 6, 3);
  Put16(file, pe + 20, 0xE0);
  Put16(file, pe + 22, spec.characteristics);
  const std::size_t opt = pe + 24;
  Put16(file, opt, 0x10B);
  Put32(file, opt + 16, spec.entryRva);
  Put32(file, opt + 28, spec.imageBase);
  Put32(file, opt + 32, 0x1000);
  Put32(file, opt + 36, 0x1000);
  Put16(file, opt + 40, 4), Put16(file, opt + 42, 20);  // operating system version
  Put16(file, opt + 48, spec.subsystemMajor), Put16(file, opt + 50, spec.subsystemMinor);
  Put32(file, opt + 56, 0x4000);
  Put32(file, opt + 60, 0x1000);
  Put16(file, opt + 68, spec.subsystem);
  Put32(file, opt + 72, 0x10000), Put32(file, opt + 76, 0x1000);  // stack reserve and commit
  Put32(file, opt + 92, 16);
  if (!spec.imports.empty()) Put32(file, opt + 96 + 8, kDescriptors), Put32(file, opt + 100 + 8, 0x100);
  Put32(file, opt + 96 + 8 * 14, spec.clrDirectory);
  const std::size_t sections = opt + 0xE0;
  AddSection(file, sections, ".text", 0x1000, 0x1000, 0x60000020);
  AddSection(file, sections + 40, ".idata", kIdata, 0x1000, 0xC0000040);
  AddSection(file, sections + 80, ".data", 0x3000, spec.dataVirtualSize, 0xC0000040);

  if (spec.code.size() > 0x1000 || spec.data.size() > 0x1000) throw std::length_error("a section holds one page");
  std::copy(spec.code.begin(), spec.code.end(), file.begin() + 0x1000);
  std::copy(spec.data.begin(), spec.data.end(), file.begin() + 0x3000);

  const std::vector<uint32_t> slots = SlotIndexes(spec);
  uint32_t names = kNames;
  for (std::size_t i = 0; i < spec.imports.size(); ++i) {
    const std::string& function = spec.imports[i].function;
    if (spec.imports[i].ordinal != 0) {
      Put32(file, kIat + 4 * slots[i], 0x80000000u | spec.imports[i].ordinal);
      Put32(file, kLookup + 4 * slots[i], 0x80000000u | spec.imports[i].ordinal);
      continue;
    }
    std::memcpy(&file[names + 2], function.c_str(), function.size() + 1);
    Put32(file, kIat + 4 * slots[i], names);
    Put32(file, kLookup + 4 * slots[i], names);
    names += static_cast<uint32_t>((2 + function.size() + 2) & ~1u);
  }
  uint32_t descriptor = kDescriptors;
  for (const std::string& dll : DllsOf(spec)) {
    std::memcpy(&file[names], dll.c_str(), dll.size() + 1);
    uint32_t first = 0;
    for (std::size_t i = 0; i < spec.imports.size(); ++i) {
      if (spec.imports[i].dll == dll) {
        first = slots[i];
        break;
      }
    }
    Put32(file, descriptor, spec.lookupTables ? kLookup + 4 * first : 0);
    Put32(file, descriptor + 12, names);
    Put32(file, descriptor + 16, kIat + 4 * first);
    names += static_cast<uint32_t>(dll.size() + 2);
    descriptor += 20;
  }
  if (!spec.relocations.empty()) {
    // One block for the .text page, in the free end of .idata.
    const uint32_t block = kIdata + 0xC00;
    const uint32_t size = static_cast<uint32_t>(8 + 2 * spec.relocations.size() + 3) & ~3u;
    Put32(file, block, 0x1000);
    Put32(file, block + 4, size);
    for (std::size_t i = 0; i < spec.relocations.size(); ++i)
      Put16(file, block + 8 + 2 * i, 0x3000 | (spec.relocations[i] & 0xFFF));
    Put32(file, opt + 96 + 8 * 5, block), Put32(file, opt + 100 + 8 * 5, size);
  }
  return file;
}

void Arm::Load(int rd, uint32_t value) {
  literals_.emplace_back(words_.size(), value);
  Emit(0xE59F0000 | (rd << 12));
}

void Arm::Call(uint32_t slot) {
  Load(ip, slot);
  LoadFrom(ip, ip);
  Emit(0xE1A0E00F);  // mov lr, pc: ARMv4T has no blx
  Emit(0xE12FFF1C);  // bx ip
}

int Arm::NewLabel() {
  labels_.push_back(SIZE_MAX);
  return static_cast<int>(labels_.size() - 1);
}

void Arm::Bind(int label) { labels_[label] = words_.size(); }

void Arm::Branch(Condition condition, int label) {
  branches_.emplace_back(words_.size(), label);
  Emit((static_cast<uint32_t>(condition) << 28) | 0x0A000000);
}

std::vector<uint8_t> Arm::Finish() const {
  std::vector<uint32_t> words = words_;
  for (const auto& branch : branches_) {
    const int32_t offset = static_cast<int32_t>(labels_[branch.second]) - static_cast<int32_t>(branch.first) - 2;
    words[branch.first] |= static_cast<uint32_t>(offset) & 0x00FFFFFF;
  }
  for (const auto& literal : literals_) {
    const std::size_t at = words.size();
    words.push_back(literal.second);
    words[literal.first] |= static_cast<uint32_t>((at - literal.first - 2) * 4);
  }
  std::vector<uint8_t> bytes(words.size() * 4);
  for (std::size_t i = 0; i < words.size(); ++i) Put32(bytes, 4 * i, words[i]);
  return bytes;
}

std::vector<uint8_t> Wide(const std::u16string& text) {
  std::vector<uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<uint8_t>(unit));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  bytes.push_back(0), bytes.push_back(0);
  return bytes;
}

}  // namespace ce_test
