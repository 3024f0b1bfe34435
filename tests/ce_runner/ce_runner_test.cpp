// The runner with tiny hand-made ARM programs: how it hands over the entry's arguments, what the COREDLL
// stand-in does over the device folder, and every way a program is refused or stopped.
#include "ce_runner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "handheld_folder.h"
#include "mini_image.h"
#include "scratch_folder.h"

namespace {

using namespace ce_test;

constexpr uint32_t kPath = kData, kMode = kData + 0x200, kText = kData + 0x240, kBuffer = kData + 0x400;

const char kIni[] =
    "[device]\r\nstore_size=1048576\r\n"
    "[volume:Zeta]\r\nsize=1000000\r\n"
    "[volume:Alpha]\r\nsize=16\r\n"
    "[volume:Locked]\r\nsize=1000000\r\nreadonly=1\r\n";

ImageSpec Coredll(std::vector<std::string> functions) {
  ImageSpec spec;
  for (const std::string& function : functions) spec.imports.push_back({"COREDLL.dll", function});
  return spec;
}

uint32_t Slot(const ImageSpec& spec, const std::string& function) {
  for (std::size_t i = 0; i < spec.imports.size(); ++i) {
    if (spec.imports[i].function == function) return ImportSlot(spec, i);
  }
  return 0;
}

void Place(ImageSpec* spec, uint32_t address, const std::vector<uint8_t>& bytes) {
  const std::size_t at = address - kData;
  if (spec->data.size() < at + bytes.size()) spec->data.resize(at + bytes.size());
  std::memcpy(&spec->data[at], bytes.data(), bytes.size());
}

uint32_t U32(const std::string& bytes, std::size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

uint64_t U64(const std::string& bytes, std::size_t at) {
  return U32(bytes, at) | (static_cast<uint64_t>(U32(bytes, at + 4)) << 32);
}

class CeRunner : public ::testing::Test {
 protected:
  CeRunner() {
    device.WriteIni(kIni);
    device.MakeFolder("\\Windows");
    device.WriteFile("\\Windows\\help.txt", "7 bytes");
    device.WriteFile("\\b.txt", "abc");
    device.MakeFolder("\\archivio");
    device.MakeFolder("\\Zeta\\sub");
    device.WriteFile("\\Zeta\\sub\\x.bin", std::string(1000, 'x'));
  }
  ce::RunOutcome Run(const ImageSpec& spec, const std::u16string& commandLine = u"",
                     const ce::RunLimits& limits = ce::RunLimits(), std::optional<emu::ArmCpu> cpu = std::nullopt) {
    const std::string image = device.path() + "/program.exe";
    device.WriteHostFile(image, BuildImage(spec));
    return ce::RunCeProgram(device.path(), image, commandLine, limits, cpu);
  }

  ScratchFolder device;
};

// _wfopen(path, mode); fputws(text); fclose; exit 0, or 1 when the open fails.
ImageSpec WriteText(const std::u16string& path, const std::u16string& mode, const std::u16string& text) {
  ImageSpec spec = Coredll({"_wfopen", "fputws", "fclose"});
  Arm a;
  const int failed = a.NewLabel();
  a.Push();
  a.Load(r0, kPath), a.Load(r1, kMode), a.Call(Slot(spec, "_wfopen"));
  a.MovReg(r4, r0), a.Cmp(r4, 0), a.Branch(kEq, failed);
  a.Load(r0, kText), a.MovReg(r1, r4), a.Call(Slot(spec, "fputws"));
  a.MovReg(r0, r4), a.Call(Slot(spec, "fclose"));
  a.Mov(r0, 0), a.Pop();
  a.Bind(failed);
  a.Mov(r0, 1), a.Pop();
  spec.code = a.Finish();
  Place(&spec, kPath, Wide(path));
  Place(&spec, kMode, Wide(mode));
  Place(&spec, kText, Wide(text));
  return spec;
}

TEST_F(CeRunner, EntryGetsTheHandheldsArgumentsAndTheExactCommandLine) {
  ImageSpec spec = Coredll({"_wfopen", "fwrite", "fputws", "fclose"});
  Arm a;
  a.Load(ip, kBuffer), a.Emit(0xE88C600F);  // stm ip, {r0-r3, sp, lr}: the registers as the entry found them
  a.Push();
  a.Load(r0, kPath), a.Load(r1, kMode), a.Call(Slot(spec, "_wfopen")), a.MovReg(r4, r0);
  a.Load(r0, kBuffer), a.Mov(r1, 4), a.Mov(r2, 6), a.MovReg(r3, r4), a.Call(Slot(spec, "fwrite"));
  a.Load(r0, kBuffer + 8), a.LoadFrom(r0, r0), a.MovReg(r1, r4), a.Call(Slot(spec, "fputws"));
  a.MovReg(r0, r4), a.Call(Slot(spec, "fclose"));
  a.Mov(r0, 42), a.Pop();
  spec.code = a.Finish();
  Place(&spec, kPath, Wide(u"\\entry.bin"));
  Place(&spec, kMode, Wide(u"wb"));

  for (const std::u16string& commandLine : {std::u16string(u""), std::u16string(u"  -talvspec \u00e9 x  ")}) {
    const ce::RunOutcome outcome = Run(spec, commandLine);
    ASSERT_FALSE(outcome.faulted) << outcome.message;
    EXPECT_EQ(outcome.exitCode, 42u);
    const std::string entry = device.ReadFile("\\entry.bin");
    ASSERT_EQ(entry.size(), 24 + 2 * commandLine.size());
    EXPECT_NE(U32(entry, 0), 0u) << "r0: the process";
    EXPECT_EQ(U32(entry, 4), 0u) << "r1: no previous instance";
    EXPECT_NE(U32(entry, 8), 0u) << "r2: the command line, never null";
    EXPECT_EQ(U32(entry, 12), 5u) << "r3: SW_SHOW";
    EXPECT_EQ(U32(entry, 16) % 8, 4u) << "SP starts only 4-byte aligned";
    std::u16string echoed;
    for (std::size_t i = 24; i + 1 < entry.size(); i += 2)
      echoed += static_cast<char16_t>(static_cast<uint8_t>(entry[i]) | (static_cast<uint8_t>(entry[i + 1]) << 8));
    EXPECT_EQ(echoed, commandLine);
  }
}

TEST_F(CeRunner, StreamsWriteThroughTheDeviceModel) {
  struct Case {
    std::u16string path, mode, text;
    uint32_t exitCode;
    std::string hostFile, bytes;  // hostFile relative to root/, empty: nothing to look at
  };
  const Case cases[] = {
      {u"\\ZETA\\Out.txt", u"wt", u"a\nb\u00e9\u20ac", 0, "Zeta/Out.txt", "a\r\nb??"},
      {u"\\Zeta\\bin.dat", u"wb", u"A\n", 0, "Zeta/bin.dat", std::string("A\0\n\0", 4)},
      {u"\\zeta\\SUB\\x.bin", u"w", u"new", 0, "Zeta/sub/x.bin", "new"},
      {u"\\Zeta\\\u00e9t\u00e9.txt", u"wt", u"ok", 0, "Zeta/\xC3\xA9t\xC3\xA9.txt", "ok"},
      {u"\\Zeta\\\u0416.txt", u"wt", u"x", 1, "", ""},  // beyond ISO 8859-1
      {u"\\Locked\\x.txt", u"wt", u"x", 1, "Locked/x.txt", "<missing>"},
      {u"\\Missing\\x.txt", u"wt", u"x", 1, "Missing", "<missing>"},
      {u"\\..\\escape.txt", u"wt", u"x", 1, "../escape.txt", "<missing>"},
      {u"relative.txt", u"wt", u"x", 1, "relative.txt", "<missing>"},
      {u"\\Zeta\\sub", u"wt", u"x", 1, "", ""},  // a folder
      {u"\\Zeta\\none.txt", u"rb", u"x", 1, "Zeta/none.txt", "<missing>"},
      {u"\\Zeta\\bad.txt", u"wz", u"x", 1, "Zeta/bad.txt", "<missing>"},
  };
  for (const Case& c : cases) {
    const ce::RunOutcome outcome = Run(WriteText(c.path, c.mode, c.text));
    ASSERT_FALSE(outcome.faulted) << outcome.message;
    EXPECT_EQ(outcome.exitCode, c.exitCode) << ce::Utf8(c.path) << " " << ce::Utf8(c.mode);
    if (!c.hostFile.empty()) {
      EXPECT_EQ(device.ReadFile("\\" + c.hostFile), c.bytes) << c.hostFile;
    }
  }
}

TEST_F(CeRunner, WriteBeyondTheVolumesFreeSpaceGivesAShortCount) {
  ImageSpec spec = Coredll({"_wfopen", "fwrite", "fclose"});
  Arm a;
  a.Push();
  a.Load(r0, kPath), a.Load(r1, kMode), a.Call(Slot(spec, "_wfopen")), a.MovReg(r4, r0);
  a.Load(r0, kBuffer), a.Mov(r1, 4), a.Mov(r2, 5), a.MovReg(r3, r4), a.Call(Slot(spec, "fwrite")), a.MovReg(r5, r0);
  a.Load(r0, kBuffer), a.Mov(r1, 1), a.Mov(r2, 1), a.MovReg(r3, r4), a.Call(Slot(spec, "fwrite")), a.MovReg(r6, r0);
  a.MovReg(r0, r4), a.Call(Slot(spec, "fclose"));
  a.Emit(0xE0860205);  // add r0, r6, r5, lsl #4: both counts in the exit code
  a.Pop();
  spec.code = a.Finish();
  Place(&spec, kPath, Wide(u"\\Alpha\\full.bin"));
  Place(&spec, kMode, Wide(u"wb"));
  Place(&spec, kBuffer, std::vector<uint8_t>(20, 0x5A));
  // The file "wb" replaces gives its bytes back first, however much of the volume it held.
  for (const std::size_t before : {0, 10, 16}) {
    std::remove(device.Host("\\Alpha\\full.bin").c_str());
    if (before != 0) device.WriteFile("\\Alpha\\full.bin", std::string(before, 'o'));
    const ce::RunOutcome outcome = Run(spec);
    ASSERT_FALSE(outcome.faulted) << outcome.message;
    EXPECT_EQ(outcome.exitCode, 4u * 16 + 0)
        << "16 bytes fit the 16-byte volume: 4 of 5 items, then none; " << before << " bytes replaced";
    EXPECT_EQ(device.ReadFile("\\Alpha\\full.bin"), std::string(16, 'Z'));
  }
}

// FindFirstFileW(pattern); each find data record written whole to \list.bin; exit 1 when nothing matched.
ImageSpec ListFolder(const std::u16string& pattern) {
  ImageSpec spec = Coredll({"_wfopen", "fwrite", "fclose", "FindFirstFileW", "FindNextFileW", "FindClose"});
  Arm a;
  const int next = a.NewLabel(), done = a.NewLabel(), empty = a.NewLabel();
  a.Push();
  a.Load(r0, kPath), a.Load(r1, kMode), a.Call(Slot(spec, "_wfopen")), a.MovReg(r4, r0);
  a.Load(r0, kText), a.Load(r1, kBuffer), a.Call(Slot(spec, "FindFirstFileW")), a.MovReg(r5, r0);
  a.Cmn(r5, 1), a.Branch(kEq, empty);
  a.Bind(next);
  a.Load(r0, kBuffer), a.Mov(r1, 1), a.Load(r2, 560), a.MovReg(r3, r4), a.Call(Slot(spec, "fwrite"));
  a.MovReg(r0, r5), a.Load(r1, kBuffer), a.Call(Slot(spec, "FindNextFileW"));
  a.Cmp(r0, 0), a.Branch(kNe, next);
  a.MovReg(r0, r5), a.Call(Slot(spec, "FindClose"));
  a.Mov(r6, 0), a.Branch(kAlways, done);
  a.Bind(empty);
  a.Mov(r6, 1);
  a.Bind(done);
  a.MovReg(r0, r4), a.Call(Slot(spec, "fclose"));
  a.MovReg(r0, r6), a.Pop();
  spec.code = a.Finish();
  Place(&spec, kPath, Wide(u"\\list.bin"));
  Place(&spec, kMode, Wide(u"wb"));
  Place(&spec, kText, Wide(pattern));
  Place(&spec, kBuffer, std::vector<uint8_t>(560, 0xA5));
  return spec;
}

TEST_F(CeRunner, SearchListsVolumesInDeviceOrderThenTheRestByName) {
  struct Case {
    std::u16string pattern;
    uint32_t exitCode;
    std::vector<std::pair<std::string, uint32_t>> entries;  // name, attributes
  };
  const Case cases[] = {
      {u"\\*",
       0,
       {{"Zeta", 0x110},
        {"Alpha", 0x110},
        {"Locked", 0x110},
        {"archivio", 0x10},
        {"b.txt", 0x20},
        {"list.bin", 0x20},
        {"Windows", 0x10}}},
      {u"\\WINDOWS\\*.*", 0, {{"help.txt", 0x20}}},
      {u"\\zeta\\*", 0, {{"sub", 0x10}}},
      {u"\\*.txt", 0, {{"b.txt", 0x20}}},
      {u"\\Nothing*", 1, {}},
      {u"\\Missing\\*", 1, {}},
  };
  for (const Case& c : cases) {
    const ce::RunOutcome outcome = Run(ListFolder(c.pattern));
    ASSERT_FALSE(outcome.faulted) << outcome.message;
    EXPECT_EQ(outcome.exitCode, c.exitCode) << ce::Utf8(c.pattern);
    const std::string list = device.ReadFile("\\list.bin");
    ASSERT_EQ(list.size(), 560 * c.entries.size()) << ce::Utf8(c.pattern);
    for (std::size_t i = 0; i < c.entries.size(); ++i) {
      const std::string record = list.substr(560 * i, 560);
      std::string name;
      for (std::size_t at = 40; record[at] != 0 || record[at + 1] != 0; at += 2) name += record[at];
      EXPECT_EQ(name, c.entries[i].first) << ce::Utf8(c.pattern) << " entry " << i;
      EXPECT_EQ(U32(record, 0), c.entries[i].second) << name;
      if (name == "b.txt") {
        EXPECT_EQ(U32(record, 32), 3u) << "nFileSizeLow";
      }
      if (i == 0) {
        EXPECT_EQ(static_cast<uint8_t>(record[40 + 2 * name.size() + 2]), 0xA5)
            << "only the name and its terminator are written into cFileName";
      }
    }
  }
}

TEST_F(CeRunner, FreeSpaceQueryAnswersForTheVolumeOrTheMainStore) {
  struct Case {
    std::u16string path;
    uint32_t available, total, totalFree;  // where each result goes; 0 = a null pointer
    uint32_t result;
    uint64_t expected[3];
  };
  const Case cases[] = {
      {u"Zeta", kBuffer, kBuffer + 8, kBuffer + 16, 1, {999000, 1000000, 999000}},
      {u"\\ZETA\\sub", kBuffer, kBuffer + 8, kBuffer + 16, 1, {999000, 1000000, 999000}},
      {u"\\Windows", kBuffer, kBuffer + 8, kBuffer + 16, 1, {1048576 - 10, 1048576, 1048576 - 10}},
      {u"Locked", 0, 0, kBuffer + 16, 1, {0, 0, 1000000}},
      {u"\\Nowhere", kBuffer, kBuffer + 8, kBuffer + 16, 0, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    ImageSpec spec = Coredll({"GetDiskFreeSpaceExW", "_wfopen", "fwrite", "fclose"});
    Arm a;
    a.Push();
    a.Load(r0, kText), a.Load(r1, c.available), a.Load(r2, c.total), a.Load(r3, c.totalFree);
    a.Call(Slot(spec, "GetDiskFreeSpaceExW")), a.MovReg(r5, r0);
    a.Load(r0, kPath), a.Load(r1, kMode), a.Call(Slot(spec, "_wfopen")), a.MovReg(r4, r0);
    a.Load(r0, kBuffer), a.Mov(r1, 8), a.Mov(r2, 3), a.MovReg(r3, r4), a.Call(Slot(spec, "fwrite"));
    a.MovReg(r0, r4), a.Call(Slot(spec, "fclose"));
    a.MovReg(r0, r5), a.Pop();
    spec.code = a.Finish();
    Place(&spec, kPath, Wide(u"\\Zeta\\free.bin"));
    Place(&spec, kMode, Wide(u"wb"));
    Place(&spec, kText, Wide(c.path));
    Place(&spec, kBuffer, std::vector<uint8_t>(24, 0));
    const ce::RunOutcome outcome = Run(spec);
    ASSERT_FALSE(outcome.faulted) << outcome.message;
    EXPECT_EQ(outcome.exitCode, c.result) << ce::Utf8(c.path);
    const std::string figures = device.ReadFile("\\Zeta\\free.bin");
    ASSERT_EQ(figures.size(), 24u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(U64(figures, 8 * i), c.expected[i]) << ce::Utf8(c.path) << " result " << i;
    std::remove(device.Host("\\Zeta\\free.bin").c_str());
  }
}

ImageSpec ReturnCode(uint32_t code) {
  ImageSpec spec;
  Arm a;
  a.Mov(r0, code), a.ReturnLr();
  spec.code = a.Finish();
  return spec;
}

TEST_F(CeRunner, ThumbCallerIsReturnedToInThumb) {
  // Thumb, two instructions a word, GetDiskFreeSpaceExW(null, ...) + 41. ARMv4T calls through a "bx ip" veneer
  // reached by bl and returns by "pop {r3}; bx r3"; ARMv5TE calls by "blx ip" and returns by "pop {pc}".
  const struct {
    emu::ArmCpu cpu;
    std::vector<uint32_t> thumb;  // ldr r0, [pc, #..]; ldr r0, [r0] | mov ip, r0; movs r0, #0 | movs r1/r2, #0 | ...
  } cases[] = {
      {emu::ArmCpu::V4T, {0x68004806u, 0x20004684u, 0x22002100u, 0xF0002300u, 0x3029F804u, 0xBC08BCF0u, 0x47604718u}},
      {emu::ArmCpu::V5TE, {0x68004804u, 0x20004684u, 0x22002100u, 0x47E02300u, 0xBDF03029u}},
  };
  for (const auto& c : cases) {
    ImageSpec spec = Coredll({"GetDiskFreeSpaceExW"});
    Arm a;
    a.Push();
    a.Emit(0xE28F4001);  // add r4, pc, #1: the Thumb code below, with bit 0 set
    a.Emit(0xE12FFF14);  // bx r4
    for (uint32_t word : c.thumb) a.Emit(word);
    a.Emit(Slot(spec, "GetDiskFreeSpaceExW"));
    spec.code = a.Finish();
    const ce::RunOutcome outcome = Run(spec, u"", ce::RunLimits(), c.cpu);
    ASSERT_FALSE(outcome.faulted) << emu::ArmCpuName(c.cpu) << ": " << outcome.message;
    EXPECT_EQ(outcome.exitCode, 42u) << emu::ArmCpuName(c.cpu);
  }
}

TEST_F(CeRunner, HeadersTheHandheldAcceptsLoad) {
  const struct {
    const char* what;
    void (*patch)(ImageSpec&);
  } cases[] = {
      {"version 4.20", [](ImageSpec&) {}},
      {"version 5.0", [](ImageSpec& s) { s.subsystemMajor = 5, s.subsystemMinor = 0; }},
      {"version 3.0", [](ImageSpec& s) { s.subsystemMajor = 3, s.subsystemMinor = 0; }},
      {"relocation-free at 0x20000", [](ImageSpec& s) { s.imageBase = 0x20000; }},
      {"relocation-free, ending below 4 MiB", [](ImageSpec& s) { s.imageBase = 0x3F0000; }},
  };
  for (const auto& c : cases) {
    ImageSpec spec = ReturnCode(42);
    c.patch(spec);
    const ce::RunOutcome outcome = Run(spec);
    EXPECT_FALSE(outcome.faulted) << c.what << ": " << outcome.message;
    EXPECT_EQ(outcome.exitCode, 42u) << c.what;
  }
}

// A handheld's COREDLL leaves r1-r3, r12 and the flags as it pleases: a program that counts on them breaks.
TEST_F(CeRunner, ScratchRegistersAndFlagsDoNotSurviveACoredllCall) {
  const struct {
    const char* what;
    std::vector<uint32_t> after;  // after GetDiskFreeSpaceExW(null, null, null, null) with Z set and r12 = 0x1234
    uint32_t kept;                // the exit code if the call had kept them
  } cases[] = {
      {"r1", {0xE1A00001}, 0},             // mov r0, r1
      {"r2", {0xE1A00002}, 0},             // mov r0, r2
      {"r3", {0xE1A00003}, 0},             // mov r0, r3
      {"r12", {0xE1A0000C}, 0x1234},       // mov r0, ip
      {"Z", {0x03A00007, 0x13A00009}, 7},  // moveq r0, #7; movne r0, #9
  };
  for (const auto& c : cases) {
    ImageSpec spec = Coredll({"GetDiskFreeSpaceExW"});
    Arm a;
    a.Push();
    a.Load(r4, Slot(spec, "GetDiskFreeSpaceExW")), a.LoadFrom(r4, r4), a.Load(ip, 0x1234);
    a.Mov(r0, 0), a.Mov(r1, 0), a.Mov(r2, 0), a.Mov(r3, 0);
    a.Emit(0xE1500000);                      // cmp r0, r0: Z set
    a.Emit(0xE1A0E00F), a.Emit(0xE12FFF14);  // mov lr, pc; bx r4
    for (uint32_t word : c.after) a.Emit(word);
    a.Pop();
    spec.code = a.Finish();
    const ce::RunOutcome outcome = Run(spec);
    ASSERT_FALSE(outcome.faulted) << c.what << ": " << outcome.message;
    EXPECT_NE(outcome.exitCode, c.kept) << c.what << " survived the call";
  }
}

// The platform's own toolchain imports COREDLL by ordinal: the same functions, the same results.
TEST_F(CeRunner, ImportsByOrdinalRunAsImportsByName) {
  const std::pair<const char*, uint16_t> ordinals[] = {
      {"FindFirstFileW", 167}, {"FindClose", 180}, {"FindNextFileW", 181}, {"fclose", 1118},
      {"fwrite", 1121},        {"fputws", 1144},   {"_wfopen", 1145}};
  const struct {
    ImageSpec byName;
    const char* written;
  } cases[] = {
      {WriteText(u"\\Zeta\\o.txt", u"wt", u"a\nb"), "\\Zeta\\o.txt"},
      {ListFolder(u"\\Windows\\*"), "\\list.bin"},
  };
  for (const auto& c : cases) {
    ImageSpec byOrdinal = c.byName;
    for (Import& import : byOrdinal.imports) {
      for (const auto& known : ordinals) {
        if (import.function == known.first) import.ordinal = known.second;
      }
    }
    const ce::RunOutcome named = Run(c.byName);
    const std::string namedBytes = device.ReadFile(c.written);
    std::remove(device.Host(c.written).c_str());
    const ce::RunOutcome numbered = Run(byOrdinal);
    ASSERT_FALSE(named.faulted || numbered.faulted) << c.written << ": " << named.message << numbered.message;
    EXPECT_EQ(numbered.exitCode, named.exitCode) << c.written;
    EXPECT_EQ(device.ReadFile(c.written), namedBytes) << c.written;
  }
}

TEST_F(CeRunner, ImageWhoseBaseIsOutsideTheSlotIsMovedByItsRelocations) {
  ImageSpec spec;
  spec.imageBase = 0x40000000;
  spec.characteristics = 0x0102;  // relocations kept
  Arm a;
  a.Load(r0, spec.imageBase + 0x3000), a.LoadFrom(r0, r0), a.ReturnLr();  // the literal is at RVA 0x100C
  spec.code = a.Finish();
  spec.relocations = {0x100C};
  spec.data = {42, 0, 0, 0};
  const ce::RunOutcome outcome = Run(spec);
  ASSERT_FALSE(outcome.faulted) << outcome.message;
  EXPECT_EQ(outcome.exitCode, 42u) << "the pointer to .data follows the image to its new base";
}

TEST_F(CeRunner, RefusalsAndFaultsNameWhatHappened) {
  struct Case {
    const char* what;
    std::function<ImageSpec()> image;
    const char* message;  // a part of the fault message
    emu::ArmCpu cpu = emu::ArmCpu::V4T;
  };
  const auto patched = [](std::function<void(ImageSpec&)> patch) {
    return [patch] {
      ImageSpec spec = ReturnCode(0);
      patch(spec);
      return spec;
    };
  };
  const auto calling = [](const char* function, uint32_t r0Value, uint32_t r1Value) {
    return [=] {
      ImageSpec spec = Coredll({function});
      Arm a;
      a.Push(), a.Load(r0, r0Value), a.Load(r1, r1Value), a.Mov(r2, 1), a.Mov(r3, 0);
      a.Call(Slot(spec, function)), a.Mov(r0, 0), a.Pop();
      spec.code = a.Finish();
      Place(&spec, kPath, Wide(u"\\open.bin"));
      Place(&spec, kMode, Wide(u"wb"));
      Place(&spec, kText, Wide(u"\\*"));
      return spec;
    };
  };
  const auto program = [](std::vector<uint32_t> words) {
    return [words] {
      ImageSpec spec = Coredll({"_wfopen"});
      Arm a;
      for (uint32_t word : words) a.Emit(word);
      spec.code = a.Finish();
      return spec;
    };
  };
  const auto accessing = [](uint32_t address, uint32_t word) {  // r1 = address; the instruction; return 0
    return [=] {
      ImageSpec spec;
      Arm a;
      a.Load(r1, address), a.Emit(word), a.Mov(r0, 0), a.ReturnLr();
      spec.code = a.Finish();
      return spec;
    };
  };
  const auto byOrdinal = [](uint16_t ordinal) {
    return [=] {
      ImageSpec spec = ReturnCode(0);
      spec.imports = {{"COREDLL.dll", "", ordinal}};
      return spec;
    };
  };
  const emu::ArmCpu v5te = emu::ArmCpu::V5TE;
  const Case cases[] = {
      {"machine x86", patched([](ImageSpec& s) { s.machine = 0x014C; }), "machine x86 (0x014C) is not ARM"},
      {"machine ARMNT", patched([](ImageSpec& s) { s.machine = 0x01C4; }), "ARMNT"},
      {"subsystem version 6.0", patched([](ImageSpec& s) { s.subsystemMajor = 6, s.subsystemMinor = 0; }),
       "subsystem version 6.0"},
      {"subsystem version 5.2", patched([](ImageSpec& s) { s.subsystemMajor = 5, s.subsystemMinor = 2; }),
       "subsystem version 5.2"},
      {"subsystem version 5.1", patched([](ImageSpec& s) { s.subsystemMajor = 5, s.subsystemMinor = 1; }),
       "subsystem version 5.1"},
      {"console subsystem", patched([](ImageSpec& s) { s.subsystem = 3; }), "subsystem 3 is not"},
      {"a DLL", patched([](ImageSpec& s) { s.characteristics = 0x2102; }), "not an executable"},
      {".NET image", patched([](ImageSpec& s) { s.clrDirectory = 0x2F00; }), "CLR"},
      {"section past SizeOfImage", patched([](ImageSpec& s) { s.dataVirtualSize = 0x2000; }), "SizeOfImage"},
      {"base outside the slot", patched([](ImageSpec& s) { s.imageBase = 0x40000000; }), "is not usable"},
      {"relocation-free at 0x500000", patched([](ImageSpec& s) { s.imageBase = 0x500000; }), "is not usable"},
      {"relocation-free at 0x400000", patched([](ImageSpec& s) { s.imageBase = 0x400000; }), "is not usable"},
      {"relocation-free at 0x1000000", patched([](ImageSpec& s) { s.imageBase = 0x1000000; }), "is not usable"},
      {"relocation-free at 0x11000", patched([](ImageSpec& s) { s.imageBase = 0x11000; }), "is not usable"},
      {"relocation-free at 0x18000", patched([](ImageSpec& s) { s.imageBase = 0x18000; }), "is not usable"},
      {"entry in .data", patched([](ImageSpec& s) { s.entryRva = 0x3000; }), "not inside an executable section"},
      {"entry in .idata", patched([](ImageSpec& s) { s.entryRva = 0x2010; }), "not inside an executable section"},
      {"entry in the headers", patched([](ImageSpec& s) { s.entryRva = 0x100; }), "not inside an executable section"},
      {"unknown ordinal", byOrdinal(99), "import ordinal 99 from COREDLL.dll is not provided"},
      {"ordinal next to _wfopen's", byOrdinal(1146), "import ordinal 1146 from COREDLL.dll is not provided"},
      {"unknown import",
       [] {
         return Coredll({"fwrite", "CreateFileW"});
       },
       "import CreateFileW from COREDLL.dll is not provided"},
      {"import from another DLL",
       [] {
         ImageSpec spec = ReturnCode(0);
         spec.imports = {{"MSVCRT.dll", "fwrite"}};
         return spec;
       },
       "fwrite from MSVCRT.dll"},
      {"imports never bound",
       [] {
         ImageSpec spec = Coredll({"fwrite"});
         spec.lookupTables = false;
         return spec;
       },
       "OriginalFirstThunk 0"},
      {"pointer into nothing", calling("_wfopen", 4, kMode), "_wfopen: the file name at 0x00000004 is not in"},
      {"string without terminator",
       [&] {
         ImageSpec spec = calling("_wfopen", kData + 0xFF0, kMode)();
         Place(&spec, kData + 0xFF0, std::vector<uint8_t>(16, 'A'));
         return spec;
       },
       "not terminated within readable memory"},
      {"find data into nothing", calling("FindFirstFileW", kText, 8), "find data at 0x00000008"},
      {"find data not aligned", calling("FindFirstFileW", kText, kBuffer + 2), "0x00013402 is not aligned to 4"},
      {"free bytes not aligned", calling("GetDiskFreeSpaceExW", kText, kBuffer + 6), "result 1 at 0x00013406 is not"},
      {"total bytes not aligned", calling("GetDiskFreeSpaceExW", kText, 0), "result 2 at 0x00000001 is not aligned"},
      {"misaligned halfword read", accessing(kBuffer + 1, 0xE1D100B0), "misaligned halfword read of 0x00013401"},
      {"misaligned halfword write", accessing(kBuffer + 3, 0xE1C100B0), "misaligned halfword write of 0x00013403"},
      {"misaligned word read", accessing(kBuffer + 2, 0xE5910000), "misaligned word read of 0x00013402"},
      {"misaligned word write", accessing(kBuffer + 1, 0xE5810000), "misaligned word write of 0x00013401"},
      {"misaligned load multiple", accessing(kBuffer + 2, 0xE8910003), "misaligned word read of 0x00013402"},
      {"misaligned push", program({0xE24DD002, 0xE52D4004}), "misaligned word write"},  // sub sp, #2; push {r4}
      {"misaligned doubleword read", accessing(kBuffer + 4, 0xE1C120D0), "misaligned doubleword read of 0x00013404",
       v5te},
      {"misaligned doubleword write", accessing(kBuffer + 12, 0xE1C120F0), "misaligned doubleword write of 0x0001340C",
       v5te},
      {"CLZ on ARMv4T", program({0xE16F0F11}), "CLZ: ARMv5TE, undefined on this ARMv4T handheld"},
      {"BLX register on ARMv4T", program({0xE12FFF3E}), "BLX: ARMv5TE, undefined"},
      {"BLX immediate on ARMv4T", program({0xFA000000}), "BLX: ARMv5TE, undefined"},
      {"LDRD on ARMv4T", accessing(kBuffer, 0xE1C120D0), "LDRD: ARMv5TE, undefined"},
      {"STRD on ARMv4T", accessing(kBuffer, 0xE1C120F0), "STRD: ARMv5TE, undefined"},
      {"PLD on ARMv4T", accessing(kBuffer, 0xF5D1F000), "PLD: ARMv5TE, undefined"},
      {"QADD on ARMv4T", program({0xE1010050}), "QADD/QSUB/QDADD/QDSUB: ARMv5TE, undefined"},
      {"FILE* never handed out", calling("fclose", 0x1234, 0), "FILE* 0x00001234 was not handed out"},
      {"search handle never handed out", calling("FindClose", 0x2E000010, 0), "search handle 0x2E000010"},
      {"file left open", calling("_wfopen", kPath, kMode), "left open at exit: FILE \\open.bin (mode wb)"},
      {"search left open", calling("FindFirstFileW", kText, kBuffer), "left open at exit: search \\*"},
      {"stack overrun", program({0xE52D0004, 0xEAFFFFFD}), "stack overrun"},  // str r0, [sp, #-4]!; b .-4
      {"read of unmapped memory", program({0xE5900000}), "read of 0x00001042 (unmapped memory)"},  // ldr r0, [r0]
      {"write into the code", program({0xE58F0000}), "not allowed in the image"},                  // str r0, [pc]
      {"undefined instruction", program({0xE7F000F0}), "undefined instruction"},
      {"ARMv7 instruction on the ARMv5 handheld", program({0xE300002A, 0xE12FFF1E}),  // movw r0, #42; bx lr
       "undefined instruction 0xE300002A", v5te},
      {"never ends", program({0xEAFFFFFE}), "did not end within 200000 instructions"},  // b .
  };
  ce::RunLimits limits;
  limits.instructions = 200000;
  for (const Case& c : cases) {
    const ce::RunOutcome outcome = Run(c.image(), u"", limits, c.cpu);
    EXPECT_TRUE(outcome.faulted) << c.what << " ran to exit code " << outcome.exitCode;
    EXPECT_NE(outcome.message.find(c.message), std::string::npos) << c.what << ": " << outcome.message;
  }
}

}  // namespace
