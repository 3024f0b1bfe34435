#include "ce_runner.h"

#include <unicorn/unicorn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "arm_v5te.h"
#include "coredll_standin.h"
#include "guest_memory.h"
#include "handheld_folder.h"
#include "pe_image.h"

namespace ce {
namespace {

// Above the Windows CE 5.0 process slot that holds the image, so nothing of the image can overlap them.
constexpr uint32_t kStackSize = 0x10000;    // 64 KiB, as a CE thread's default stack
constexpr uint32_t kStackTop = 0x03000000;  // the guard below it stays unmapped
constexpr uint32_t kStackBottom = kStackTop - kStackSize;
constexpr uint32_t kGuardBottom = kStackBottom - 0x10000;
constexpr uint32_t kCommandLineArea = 0x03100000;
constexpr uint32_t kStubArea = 0x03200000;    // one 4-byte stub per COREDLL function
constexpr uint32_t kReturnArea = 0x03300000;  // the entry returns here: the run is over
constexpr uint32_t kProcessId = 0x00001042;
constexpr uint32_t kShowWindow = 5;                     // SW_SHOW
constexpr uint32_t kUndefinedInstruction = 0xE7F000F0;  // what the stubs hold if ever run unhooked
constexpr uint32_t kUserMode = 0x10;

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
  return text;
}

bool EqualAsciiNoCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return i == a.size() && b[i] == 0;
}

uint32_t Perms(const ImageRegion& region) {
  return (region.read ? UC_PROT_READ : 0) | (region.write ? UC_PROT_WRITE : 0) | (region.execute ? UC_PROT_EXEC : 0);
}

class Engine {
 public:
  // A TI925T core for ARMv4T (as the ARM920T class of many handhelds), an ARM926 for ARMv5TE: an instruction
  // of a later architecture is undefined here as it would be there.
  explicit Engine(emu::ArmCpu cpu) {
    error_ = uc_open(UC_ARCH_ARM, UC_MODE_ARM, &engine_);
    if (error_ == UC_ERR_OK)
      error_ = uc_ctl_set_cpu_model(engine_, cpu == emu::ArmCpu::V5TE ? UC_CPU_ARM_926 : UC_CPU_ARM_TI925T);
  }
  ~Engine() {
    if (engine_ != nullptr) uc_close(engine_);
  }
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  bool ok() const { return error_ == UC_ERR_OK; }
  uc_engine* get() const { return engine_; }

 private:
  uc_engine* engine_ = nullptr;
  uc_err error_;
};

// Everything the hooks see while the program runs.
struct Session {
  uc_engine* engine = nullptr;
  GuestMemory* memory = nullptr;
  CoredllStandIn* standIn = nullptr;
  bool returned = false;
  std::string fault;
  // The instruction that runs (unicorn's PC is only exact at the end of a block) and its data accesses so far.
  uint32_t instruction = 0;
  int accesses = 0;
  uint32_t calls = 0;  // COREDLL calls made, to vary what the callee leaves behind
  // The latest invalid access, kept for the message once the engine has stopped.
  bool badAccess = false;
  int accessType = 0;
  uint64_t accessAddress = 0;
  uint32_t accessPc = 0, accessSp = 0, accessLr = 0;
};

uint32_t Register(uc_engine* engine, int reg) {
  uint32_t value = 0;
  uc_reg_read(engine, reg, &value);
  return value;
}

void OnStub(uc_engine* engine, uint64_t address, uint32_t, void* user) {
  Session& s = *static_cast<Session*>(user);
  const uint32_t lr = Register(engine, UC_ARM_REG_LR);
  const int index = static_cast<int>((address - kStubArea) / 4);
  std::string fault;
  if (address % 4 != 0 || index >= static_cast<int>(CoredllStandIn::Functions().size())) {
    s.fault = "jump into the COREDLL stubs at " + Hex(address) + " (LR " + Hex(lr) + ")";
  } else if (!s.standIn->Call(engine, index, &fault)) {
    s.fault = fault + " (called from " + Hex(lr & ~1u) + ")";
  }
  if (!s.fault.empty()) {
    uc_emu_stop(engine);
    return;
  }
  // The registers a callee may change hold garbage, as a handheld's COREDLL leaves them: a program that keeps
  // something there across a call breaks here as it would there. The values point into no mapped memory.
  ++s.calls;
  const int scratch[] = {UC_ARM_REG_R1, UC_ARM_REG_R2, UC_ARM_REG_R3, UC_ARM_REG_R12};
  for (int i = 0; i < 4; ++i) {
    const uint32_t garbage = 0xDEAD0001u + (s.calls << 4) + 4 * static_cast<uint32_t>(i);
    uc_reg_write(engine, scratch[i], &garbage);
  }
  uint32_t status = Register(engine, UC_ARM_REG_CPSR) ^ 0xF0000000u;  // N, Z, C and V turned over
  uc_reg_write(engine, UC_ARM_REG_CPSR, &status);
  // Back to the caller in the caller's instruction set: bit 0 of LR selects Thumb.
  uc_reg_write(engine, UC_ARM_REG_PC, &lr);
}

void OnInstruction(uc_engine*, uint64_t address, uint32_t, void* user) {
  Session& s = *static_cast<Session*>(user);
  s.instruction = static_cast<uint32_t>(address);
  s.accesses = 0;
}

// Alignment checking is on, as on a Windows CE handheld: a halfword, word or doubleword access at an address
// that is not a multiple of its size is a data abort, which ends the program.
void OnDataAccess(uc_engine* engine, uc_mem_type type, uint64_t address, int size, int64_t, void* user) {
  Session& s = *static_cast<Session*>(user);
  if (!s.fault.empty()) return;
  int alignment = size;
  if (++s.accesses == 1 && size == 4 && (Register(engine, UC_ARM_REG_CPSR) & 0x20) == 0) {
    uint32_t word = 0;
    if (s.memory->Read(s.instruction, &word, 4) && MovesDoubleword(word)) alignment = 8;
  }
  if (alignment <= 1 || address % static_cast<uint64_t>(alignment) == 0) return;
  const char* what = alignment == 8 ? "doubleword" : alignment == 4 ? "word" : "halfword";
  s.fault = std::string("misaligned ") + what + (type == UC_MEM_WRITE ? " write" : " read") + " of " + Hex(address) +
            " at PC " + Hex(s.instruction) + ", LR " + Hex(Register(engine, UC_ARM_REG_LR)) +
            " (alignment checking is on, as on the handheld)";
  uc_emu_stop(engine);
}

void OnReturn(uc_engine* engine, uint64_t, uint32_t, void* user) {
  static_cast<Session*>(user)->returned = true;
  uc_emu_stop(engine);
}

bool OnInvalidAccess(uc_engine* engine, uc_mem_type type, uint64_t address, int, int64_t, void* user) {
  Session& s = *static_cast<Session*>(user);
  s.badAccess = true;
  s.accessType = type;
  s.accessAddress = address;
  s.accessPc = Register(engine, UC_ARM_REG_PC);
  s.accessSp = Register(engine, UC_ARM_REG_SP);
  s.accessLr = Register(engine, UC_ARM_REG_LR);
  return false;
}

void OnInterrupt(uc_engine* engine, uint32_t number, void* user) {
  Session& s = *static_cast<Session*>(user);
  const char* what = number == 1   ? "an undefined instruction"
                     : number == 2 ? "a system call (SWI)"
                     : number == 7 ? "a breakpoint (BKPT)"
                                   : "a processor exception";
  s.fault = std::string(what) + " (exception " + std::to_string(number) + ") at PC " +
            Hex(Register(engine, UC_ARM_REG_PC)) + ", LR " + Hex(Register(engine, UC_ARM_REG_LR));
  uc_emu_stop(engine);
}

std::string AccessFault(const Session& s, const GuestMemory& memory) {
  const char* kind = "access";
  switch (s.accessType) {
    case UC_MEM_READ_UNMAPPED:
    case UC_MEM_READ_PROT: kind = "read"; break;
    case UC_MEM_WRITE_UNMAPPED:
    case UC_MEM_WRITE_PROT: kind = "write"; break;
    case UC_MEM_FETCH_UNMAPPED:
    case UC_MEM_FETCH_PROT: kind = "instruction fetch"; break;
    default: break;
  }
  const std::string where = " at PC " + Hex(s.accessPc) + ", LR " + Hex(s.accessLr) + ", SP " + Hex(s.accessSp);
  if (s.accessAddress >= kGuardBottom && s.accessAddress < kStackBottom)
    return "stack overrun: " + std::string(kind) + " of " + Hex(s.accessAddress) + " below the 64 KiB stack" + where;
  const std::string area = memory.Describe(static_cast<uint32_t>(s.accessAddress));
  return std::string(kind) + " of " + Hex(s.accessAddress) +
         (area.empty() ? " (unmapped memory)" : " (not allowed in " + area + ")") + where;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

RunOutcome Fault(const std::string& message) {
  RunOutcome outcome;
  outcome.message = message;
  return outcome;
}

// The stand-in's function for every import, by name or by COREDLL ordinal; false with the refusal.
bool BindToStandIn(const LoadedImage& image, std::vector<int>* stubOfImport, std::string* error) {
  for (const ImageImport& import : image.imports) {
    if (!EqualAsciiNoCase(import.dll, "COREDLL.dll")) {
      *error = "import " + ImportLabel(import) + " from " + import.dll + ": only COREDLL.dll is provided";
      return false;
    }
    const int index = import.function.empty() ? CoredllStandIn::IndexOfOrdinal(import.ordinal)
                                              : CoredllStandIn::IndexOf(import.function);
    if (index < 0) {
      *error = "import " + ImportLabel(import) + " from COREDLL.dll is not provided by the stand-in";
      return false;
    }
    stubOfImport->push_back(index);
  }
  return true;
}

// What an undefined instruction is, when the core is the reason.
std::string UndefinedWhy(uint32_t word, emu::ArmCpu cpu, bool thumb) {
  const char* v5te = thumb ? nullptr : ArmV5teOnly(word);
  if (v5te == nullptr || cpu == emu::ArmCpu::V5TE) return std::string();
  return std::string(" (") + v5te + ": ARMv5TE, undefined on this " + emu::ArmCpuName(cpu) + " handheld)";
}

}  // namespace

CheckOutcome CheckCeProgram(const std::string& imagePath) {
  CheckOutcome outcome;
  std::vector<uint8_t> file;
  LoadedImage image;
  std::vector<int> stubs;
  if (!ReadFile(imagePath, &file)) {
    outcome.problem = "cannot be read";
  } else if (LoadPeImage(file, &image, &outcome.problem)) {
    BindToStandIn(image, &stubs, &outcome.problem);
  }
  if (!outcome.problem.empty()) return outcome;
  for (const ImageRegion& region : image.regions) {
    for (uint32_t at = region.address; region.execute && at + 4 <= region.address + region.size; at += 4) {
      const uint8_t* bytes = &image.memory[at - image.base];
      const uint32_t word = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
      // A literal pool's address of something in the image is no instruction, whatever its bits look like.
      const bool intoTheImage = word >= image.base && word - image.base < image.memory.size();
      if (const char* name = intoTheImage ? nullptr : ArmV5teOnly(word)) {
        outcome.needs = emu::ArmCpu::V5TE;
        outcome.needsWhy = std::string(name) + " at " + Hex(at);
        return outcome;
      }
    }
  }
  return outcome;
}

RunOutcome RunCeProgram(const std::string& deviceFolder, const std::string& imagePath,
                        const std::u16string& commandLine, const RunLimits& limits, std::optional<emu::ArmCpu> cpu) {
  std::vector<uint8_t> file;
  if (!ReadFile(imagePath, &file)) return Fault("cannot read the program " + imagePath);
  LoadedImage image;
  std::string error;
  if (!LoadPeImage(file, &image, &error)) return Fault("refused: " + error);
  std::vector<int> stubOfImport;
  if (!BindToStandIn(image, &stubOfImport, &error)) return Fault("refused: " + error);
  for (std::size_t i = 0; i < image.imports.size(); ++i) {
    const uint32_t stub = kStubArea + 4 * static_cast<uint32_t>(stubOfImport[i]);
    const uint32_t offset = image.imports[i].slotAddress - image.base;
    for (int b = 0; b < 4; ++b) image.memory[offset + b] = static_cast<uint8_t>(stub >> (8 * b));
  }

  HandheldFolder folder;
  if (!folder.Open(deviceFolder, &error)) return Fault(error);

  const emu::ArmCpu core = cpu ? *cpu : folder.cpu();
  Engine engine(core);
  if (!engine.ok()) return Fault("the ARM emulator cannot start");
  GuestMemory memory(engine.get());
  const uint32_t imageSize = static_cast<uint32_t>(image.memory.size());
  bool mapped = memory.Map(image.base, imageSize, UC_PROT_ALL, "the image") &&
                memory.Write(image.base, image.memory.data(), image.memory.size()) &&
                memory.Protect(image.base, imageSize, UC_PROT_NONE);
  for (const ImageRegion& region : image.regions)
    mapped = mapped && memory.Protect(region.address, region.size, Perms(region));
  std::vector<uint8_t> stubs(kPageSize);
  for (std::size_t i = 0; i < stubs.size(); i += 4)
    for (int b = 0; b < 4; ++b) stubs[i + b] = static_cast<uint8_t>(kUndefinedInstruction >> (8 * b));
  std::vector<uint8_t> arguments;
  for (char16_t unit : commandLine) {
    arguments.push_back(static_cast<uint8_t>(unit & 0xFF));
    arguments.push_back(static_cast<uint8_t>(unit >> 8));
  }
  arguments.resize(arguments.size() + 2, 0);
  const uint32_t argumentsSize = (static_cast<uint32_t>(arguments.size()) + kPageSize - 1) & ~(kPageSize - 1);
  mapped = mapped && memory.Map(kStackBottom, kStackSize, UC_PROT_READ | UC_PROT_WRITE, "the stack") &&
           memory.Map(kCommandLineArea, argumentsSize, UC_PROT_READ | UC_PROT_WRITE, "the command line") &&
           memory.Write(kCommandLineArea, arguments.data(), arguments.size()) &&
           memory.Map(kStubArea, kPageSize, UC_PROT_READ | UC_PROT_EXEC, "the COREDLL stubs") &&
           memory.Write(kStubArea, stubs.data(), stubs.size()) &&
           memory.Map(kReturnArea, kPageSize, UC_PROT_READ | UC_PROT_EXEC, "the return address") &&
           memory.Write(kReturnArea, stubs.data(), stubs.size());
  if (!mapped) return Fault("the ARM emulator cannot map the program's memory");

  CoredllStandIn standIn(memory, folder);
  Session session;
  session.engine = engine.get();
  session.memory = &memory;
  session.standIn = &standIn;
  uc_hook stubHook, returnHook, accessHook, interruptHook, instructionHook, dataHook;
  uc_hook_add(engine.get(), &instructionHook, UC_HOOK_CODE, reinterpret_cast<void*>(OnInstruction), &session, 1, 0);
  uc_hook_add(engine.get(), &dataHook, UC_HOOK_MEM_READ | UC_HOOK_MEM_WRITE, reinterpret_cast<void*>(OnDataAccess),
              &session, 1, 0);
  uc_hook_add(engine.get(), &stubHook, UC_HOOK_CODE, reinterpret_cast<void*>(OnStub), &session, kStubArea,
              kStubArea + kPageSize - 1);
  uc_hook_add(engine.get(), &returnHook, UC_HOOK_CODE, reinterpret_cast<void*>(OnReturn), &session, kReturnArea,
              kReturnArea + kPageSize - 1);
  uc_hook_add(engine.get(), &accessHook, UC_HOOK_MEM_INVALID, reinterpret_cast<void*>(OnInvalidAccess), &session, 1, 0);
  uc_hook_add(engine.get(), &interruptHook, UC_HOOK_INTR, reinterpret_cast<void*>(OnInterrupt), &session, 1, 0);

  // entry(hInstance, hPrevInstance = 0, lpCmdLine, nCmdShow). The stack pointer is only 4-byte aligned, as a
  // Windows CE 6 thread may start: the program must realign it itself where it needs 8.
  const uint32_t registers[] = {kUserMode, kProcessId, 0, kCommandLineArea, kShowWindow, kStackTop - 4, kReturnArea};
  const int names[] = {UC_ARM_REG_CPSR, UC_ARM_REG_R0, UC_ARM_REG_R1, UC_ARM_REG_R2,
                       UC_ARM_REG_R3,   UC_ARM_REG_SP, UC_ARM_REG_LR};
  for (std::size_t i = 0; i < std::size(names); ++i) uc_reg_write(engine.get(), names[i], &registers[i]);

  const auto started = std::chrono::steady_clock::now();
  const uc_err result = uc_emu_start(engine.get(), image.entry, kReturnArea, limits.microseconds, limits.instructions);
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count();
  if (!session.fault.empty()) return Fault(session.fault);
  if (session.badAccess) return Fault(AccessFault(session, memory));
  if (result == UC_ERR_INSN_INVALID) {
    const uint32_t at = Register(engine.get(), UC_ARM_REG_PC);
    uint32_t word = 0;
    const bool thumb = (Register(engine.get(), UC_ARM_REG_CPSR) & 0x20) != 0;
    const bool known = memory.Read(at, &word, 4);
    const std::string text = known ? " " + Hex(word) : "";
    return Fault("an undefined instruction" + text + " at PC " + Hex(at) + ", LR " +
                 Hex(Register(engine.get(), UC_ARM_REG_LR)) + (known ? UndefinedWhy(word, core, thumb) : ""));
  }
  if (result != UC_ERR_OK)
    return Fault(std::string("the ARM emulator stopped: ") + uc_strerror(result) + " at PC " +
                 Hex(Register(engine.get(), UC_ARM_REG_PC)));
  const uint32_t pc = Register(engine.get(), UC_ARM_REG_PC);
  if (!session.returned && pc != kReturnArea) {
    const bool timedOut = static_cast<uint64_t>(elapsed) >= limits.microseconds;
    return Fault("the program did not end within " +
                 (timedOut ? std::to_string(limits.microseconds / 1000) + " ms"
                           : std::to_string(limits.instructions) + " instructions") +
                 " (PC " + Hex(pc) + ")");
  }
  const std::vector<std::string> open = standIn.LeftOpen();
  if (!open.empty()) {
    std::string list;
    for (const std::string& item : open) list += (list.empty() ? "" : ", ") + item;
    return Fault("left open at exit: " + list);
  }
  RunOutcome outcome;
  outcome.faulted = false;
  outcome.exitCode = Register(engine.get(), UC_ARM_REG_R0);
  return outcome;
}

}  // namespace ce
