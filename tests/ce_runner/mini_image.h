// Tiny ARM Windows CE programs for the runner's tests: a handful of hand-encoded ARM instructions in a PE file
// laid out as the agent's toolchain lays it out (base 0x10000, page-aligned sections, imports by name), with
// every header field a test may want to get wrong.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ce_test {

constexpr uint32_t kBase = 0x10000;
constexpr uint32_t kCode = kBase + 0x1000;  // .text, read + execute
constexpr uint32_t kData = kBase + 0x3000;  // .data, read + write, the last page of the image

struct Import {
  std::string dll, function;
  uint16_t ordinal = 0;  // not 0: imported by this ordinal, `function` only names it for the test
};

struct ImageSpec {
  uint16_t machine = 0x01C0;
  uint16_t characteristics = 0x0103;  // relocations stripped, executable, 32-bit
  uint16_t subsystem = 9;
  uint16_t subsystemMajor = 4, subsystemMinor = 20;
  uint32_t imageBase = kBase;
  uint32_t entryRva = 0x1000;  // the start of .text
  uint32_t clrDirectory = 0;
  uint32_t dataVirtualSize = 0x1000;  // a test may make it overflow SizeOfImage
  bool lookupTables = true;           // false: OriginalFirstThunk 0
  std::vector<uint32_t> relocations;  // RVAs of 32-bit absolute addresses (in .text) the loader must move
  std::vector<Import> imports;
  std::vector<uint8_t> code;  // at kCode
  std::vector<uint8_t> data;  // at kData, at most one page
};

// Where the loader stores the bound address of imports[index].
uint32_t ImportSlot(const ImageSpec& spec, std::size_t index);

std::vector<uint8_t> BuildImage(const ImageSpec& spec);

enum Condition : uint32_t { kEq = 0x0, kNe = 0x1, kAlways = 0xE };
enum Reg : int { r0 = 0, r1, r2, r3, r4, r5, r6, r7, ip = 12, sp = 13, lr = 14, pc = 15 };

// Just enough of an assembler: literal pool after the code, labels for branches.
class Arm {
 public:
  void Emit(uint32_t word) { words_.push_back(word); }
  void Mov(int rd, uint32_t imm8) { Emit(0xE3A00000 | (rd << 12) | imm8); }
  void MovReg(int rd, int rm) { Emit(0xE1A00000 | (rd << 12) | rm); }
  void Load(int rd, uint32_t value);                                             // ldr rd, =value
  void LoadFrom(int rd, int rn) { Emit(0xE5900000 | (rn << 16) | (rd << 12)); }  // ldr rd, [rn]
  void Call(uint32_t slot);  // ldr ip, =slot; ldr ip, [ip]; mov lr, pc; bx ip
  void Cmp(int rn, uint32_t imm8) { Emit(0xE3500000 | (rn << 16) | imm8); }
  void Cmn(int rn, uint32_t imm8) { Emit(0xE3700000 | (rn << 16) | imm8); }
  void Push() { Emit(0xE92D40F0); }  // push {r4-r7, lr}
  void Pop() { Emit(0xE8BD80F0); }   // pop {r4-r7, pc}
  void ReturnLr() { Emit(0xE12FFF1E); }
  int NewLabel();
  void Bind(int label);
  void Branch(Condition condition, int label);
  std::vector<uint8_t> Finish() const;  // code at kCode

 private:
  std::vector<uint32_t> words_;
  std::vector<std::pair<std::size_t, uint32_t>> literals_;  // instruction index, value
  std::vector<std::size_t> labels_;
  std::vector<std::pair<std::size_t, int>> branches_;
};

// UTF-16LE bytes of text with its terminator.
std::vector<uint8_t> Wide(const std::u16string& text);

}  // namespace ce_test
