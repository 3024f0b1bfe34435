// The command as the emulator starts it: arguments, exit status and the result file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mini_image.h"
#include "scratch_folder.h"

namespace {

using namespace ce_test;

// Runs talv-ce-run with `arguments` (no shell) and returns its exit status, or -1; its standard output and
// error go to *output when given.
int RunCommand(const std::vector<std::string>& arguments, std::string* output = nullptr) {
  std::vector<char*> argv{const_cast<char*>(TALV_CE_RUN)};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  int pipeEnds[2] = {-1, -1};
  if (output != nullptr && pipe(pipeEnds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    if (output != nullptr) dup2(pipeEnds[1], 1), dup2(pipeEnds[1], 2), close(pipeEnds[0]);
    execv(TALV_CE_RUN, argv.data());
    _exit(127);
  }
  if (output != nullptr) {
    close(pipeEnds[1]);
    char buffer[512];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) output->append(buffer, got);
    close(pipeEnds[0]);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Writes its command line as UTF-16LE to \args.bin and ends with exit code 300 (44 in a Linux status).
std::vector<uint8_t> EchoProgram() {
  ImageSpec spec;
  spec.imports = {{"COREDLL.dll", "_wfopen"}, {"COREDLL.dll", "fputws"}, {"COREDLL.dll", "fclose"}};
  Arm a;
  a.Push(), a.MovReg(r5, r2);
  a.Load(r0, kData), a.Load(r1, kData + 0x40), a.Call(ImportSlot(spec, 0)), a.MovReg(r4, r0);
  a.MovReg(r0, r5), a.MovReg(r1, r4), a.Call(ImportSlot(spec, 1));
  a.MovReg(r0, r4), a.Call(ImportSlot(spec, 2));
  a.Load(r0, 300), a.Pop();
  spec.code = a.Finish();
  spec.data = Wide(u"\\args.bin");
  spec.data.resize(0x40);
  const std::vector<uint8_t> mode = Wide(u"wb");
  spec.data.insert(spec.data.end(), mode.begin(), mode.end());
  return BuildImage(spec);
}

std::string Hex(const std::string& bytes) {
  std::string hex;
  for (unsigned char byte : bytes) hex += "0123456789ABCDEF"[byte >> 4], hex += "0123456789ABCDEF"[byte & 0xF];
  return hex;
}

TEST(TalvCeRun, ExitStatusAndResultFileTellHowTheRunEnded) {
  ScratchFolder device;
  device.WriteIni("[volume:ROMDisk]\nsize=1000\n");
  const std::string echo = device.path() + "/echo.exe", x86 = device.path() + "/x86.exe";
  device.WriteHostFile(echo, EchoProgram());
  std::vector<uint8_t> wrongMachine = EchoProgram();
  wrongMachine[0x84] = 0x4C, wrongMachine[0x85] = 0x01;
  device.WriteHostFile(x86, wrongMachine);
  const std::string result = device.path() + "/result.txt", claim = device.path() + "/run.claim";
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string resultLine;   // a prefix of the file's one line
    std::string commandLine;  // UTF-8 of what the program received; empty: not checked
  };
  const Case cases[] = {
      {{"--result", result, device.path(), echo, "--command-line= -talvspec  \xC3\xA9 "},
       44,
       "exit 300\n",
       " -talvspec  \xC3\xA9 "},
      {{device.path(), echo, "--result", result}, 44, "exit 300\n", ""},
      {{"--hex", "--result", Hex(result), "--claim", Hex(claim), Hex(device.path()), Hex(echo),
        "--command-line=" + Hex(" -talvspec  \xC3\xA9 ")},
       44,
       "exit 300\n",
       " -talvspec  \xC3\xA9 "},
      {{"--result", Hex(result), "--hex", Hex(device.path()), Hex(echo) + "Z"},
       125,
       "fault: an argument is not hex",
       ""},
      {{"--result", result, device.path(), x86}, 125, "fault: refused: machine x86 (0x014C)", ""},
      {{"--result", result, device.path() + "/none", echo}, 125, "fault: no device.ini", ""},
      {{"--result", result, device.path()}, 125, "fault: DEVICE_FOLDER and IMAGE are needed", ""},
      {{"--result", result, device.path(), echo, "--bogus"}, 125, "fault: unexpected argument", ""},
      {{"--result", result, device.path(), echo, "--command-line=\xFF"},
       125,
       "fault: the command line is not UTF-8",
       ""},
  };
  for (const Case& c : cases) {
    std::remove(result.c_str());
    std::remove(device.Host("\\args.bin").c_str());
    EXPECT_EQ(RunCommand(c.arguments), c.status) << c.resultLine;
    std::ifstream file(result, std::ios::binary);
    const std::string line((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(line.compare(0, c.resultLine.size(), c.resultLine), 0) << line;
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line: " << line;
    if (c.status == 44) {
      const std::string bytes = device.ReadFile("\\args.bin");
      std::string received;
      for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        received += bytes[i] == '\xE9' ? "\xC3\xA9" : bytes.substr(i, 1);
      EXPECT_EQ(received, c.commandLine) << "the command line arrives exactly, blanks included";
    }
  }
  std::ifstream claimed(claim, std::ios::binary);
  const std::string pid((std::istreambuf_iterator<char>(claimed)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(pid.size() > 1 && pid.back() == '\n') << "the runner marks the claim it locks: " << pid;
}

// --check: what a release may embed as its device agent: what a handheld loads and the emulated handheld can
// run, imported by name or by COREDLL ordinal, and the core its code needs.
TEST(TalvCeRun, CheckSaysWhetherAHandheldLoadsTheProgram) {
  ScratchFolder folder;
  const struct {
    const char* label;
    void (*change)(ImageSpec*);
    int status;
    const char* said;  // a part of what the command prints
  } cases[] = {
      {"the stand-in's functions", [](ImageSpec*) {}, 0, "runs on ARMv4T and ARMv5TE handhelds"},
      {"by ordinal",
       [](ImageSpec* s) {
         for (uint16_t ordinal : {167, 180, 181, 184, 1118, 1121, 1144, 1145})
           s->imports.push_back({"COREDLL.dll", "", ordinal});
       },
       0, "COREDLL.dll only"},
      {"CLZ in its code",
       [](ImageSpec* s) {
         s->code.insert(s->code.begin(), {0x11, 0x0F, 0x6F, 0xE1});
       },
       0, "needs an ARMv5TE handheld (CLZ at 0x00011000)"},
      {"an address in its literal pool",
       [](ImageSpec* s) {
         s->code.insert(s->code.end(), {0xD4, 0x1F, 0x01, 0x00});
       },
       0, "runs on ARMv4T"},  // 0x00011FD4 has LDRD's bits
      {"a COREDLL function the emulated handheld lacks",
       [](ImageSpec* s) {
         s->imports.push_back({"COREDLL.dll", "MessageBoxW"});
       },
       125, "import MessageBoxW from COREDLL.dll is not provided"},
      {"an ordinal the emulated handheld lacks",
       [](ImageSpec* s) {
         s->imports.push_back({"COREDLL.dll", "", 1146});
       },
       125, "import ordinal 1146 from COREDLL.dll is not provided"},
      {"another library",
       [](ImageSpec* s) {
         s->imports.push_back({"AYGSHELL.dll", "SHFullScreen"});
       },
       125, "SHFullScreen from AYGSHELL.dll"},
      {"relocation-free at 0x500000", [](ImageSpec* s) { s->imageBase = 0x500000; }, 125, "is not usable"},
      {"ARMv7 (0x1C4)", [](ImageSpec* s) { s->machine = 0x01C4; }, 125, "ARMNT"},
      {"a console program", [](ImageSpec* s) { s->subsystem = 3; }, 125, "subsystem 3"},
      {"Windows CE 6.0 wanted", [](ImageSpec* s) { s->subsystemMajor = 6, s->subsystemMinor = 0; }, 125, "6.0"},
  };
  for (const auto& c : cases) {
    ImageSpec spec;
    spec.imports = {{"COREDLL.dll", "fclose"}};
    Arm a;
    a.Push(), a.Load(r0, 0), a.Pop();
    spec.code = a.Finish();
    c.change(&spec);
    const std::string image = folder.path() + "/agent.exe";
    folder.WriteHostFile(image, BuildImage(spec));
    std::string said;
    EXPECT_EQ(RunCommand({"--check", image}, &said), c.status) << c.label << ": " << said;
    EXPECT_NE(said.find(c.said), std::string::npos) << c.label << ": " << said;
  }
  EXPECT_EQ(RunCommand({"--check", folder.path() + "/missing.exe"}), 125);
}

// The core: device.ini's cpu=, or --cpu instead.
TEST(TalvCeRun, CoreComesFromTheDeviceOrTheCommand) {
  ScratchFolder device;
  ImageSpec spec;
  Arm a;
  a.Mov(r1, 1), a.Emit(0xE16F0F11), a.ReturnLr();  // clz r0, r1: 31 on ARMv5TE
  spec.code = a.Finish();
  const std::string image = device.path() + "/clz.exe";
  device.WriteHostFile(image, BuildImage(spec));
  const struct {
    const char* ini;
    std::vector<std::string> options;
    int status;
  } cases[] = {{"[device]\n", {}, 125},
               {"[device]\ncpu=ARMv5TE\n", {}, 31},
               {"[device]\ncpu=armv5te\n", {"--cpu", "armv4t"}, 125},
               {"[device]\ncpu=arm9\n", {"--cpu", "armv5te"}, 125}};
  for (const auto& c : cases) {
    device.WriteIni(c.ini);
    std::vector<std::string> arguments = c.options;
    arguments.push_back(device.path()), arguments.push_back(image);
    std::string said;
    EXPECT_EQ(RunCommand(arguments, &said), c.status) << c.ini << said;
  }
}

}  // namespace
