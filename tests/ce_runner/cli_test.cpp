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

// Runs talv-ce-run with `arguments` (no shell) and returns its exit status, or -1.
int RunCommand(const std::vector<std::string>& arguments) {
  std::vector<char*> argv{const_cast<char*>(TALV_CE_RUN)};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    execv(TALV_CE_RUN, argv.data());
    _exit(127);
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

TEST(TalvCeRun, ExitStatusAndResultFileTellHowTheRunEnded) {
  ScratchFolder device;
  device.WriteIni("[volume:ROMDisk]\nsize=1000\n");
  const std::string echo = device.path() + "/echo.exe", x86 = device.path() + "/x86.exe";
  device.WriteHostFile(echo, EchoProgram());
  std::vector<uint8_t> wrongMachine = EchoProgram();
  wrongMachine[0x84] = 0x4C, wrongMachine[0x85] = 0x01;
  device.WriteHostFile(x86, wrongMachine);
  const std::string result = device.path() + "/result.txt";
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
}

// --check: what a release may embed as its device agent. A handheld's COREDLL has far more functions than the
// stand-in provides, so only the library is judged, not the names.
TEST(TalvCeRun, CheckSaysWhetherAHandheldLoadsTheProgram) {
  ScratchFolder folder;
  const struct {
    const char* label;
    void (*change)(ImageSpec*);
    int status;
  } cases[] = {
      {"the stand-in's functions", [](ImageSpec*) {}, 0},
      {"another COREDLL function",
       [](ImageSpec* s) {
         s->imports.push_back({"COREDLL.dll", "MessageBoxW"});
       },
       0},
      {"another library",
       [](ImageSpec* s) {
         s->imports.push_back({"AYGSHELL.dll", "SHFullScreen"});
       },
       125},
      {"ARMv7 (0x1C4)", [](ImageSpec* s) { s->machine = 0x01C4; }, 125},
      {"a console program", [](ImageSpec* s) { s->subsystem = 3; }, 125},
      {"Windows CE 6.0 wanted", [](ImageSpec* s) { s->subsystemMajor = 6, s->subsystemMinor = 0; }, 125},
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
    EXPECT_EQ(RunCommand({"--check", image}), c.status) << c.label;
  }
  EXPECT_EQ(RunCommand({"--check", folder.path() + "/missing.exe"}), 125);
}

}  // namespace
