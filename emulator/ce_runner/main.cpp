// talv-ce-run [--result FILE] [--cpu armv4t|armv5te] DEVICE_FOLDER IMAGE [--command-line=TEXT]
// talv-ce-run --check IMAGE
//
// Runs an ARM Windows CE program on the emulated handheld in DEVICE_FOLDER and exits with its exit code (the
// low 8 bits, as Linux keeps them), or with 125 and a message on stderr when the program is refused, faults or
// the arguments are wrong. With --result, FILE also receives one line, "exit N" (N the full 32-bit exit code
// in decimal) or "fault: <message>", written whole (temporary file, then rename): the emulator under Wine
// starts this program without a handle to wait on, and learns from that file how the run ended. --cpu names the
// core instead of device.ini's cpu=. --check only says whether IMAGE is an ARM Windows CE program the handheld
// loads and the emulated handheld runs, and which core it needs (exit 0), or why not (exit 125).
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>

#include "ce_runner.h"
#include "portable_text.h"

namespace {

constexpr int kFaultExit = 125;
constexpr char kUsage[] =
    "usage: talv-ce-run [--result FILE] [--cpu armv4t|armv5te] DEVICE_FOLDER IMAGE [--command-line=TEXT]\n"
    "       talv-ce-run --check IMAGE\n";
constexpr char kCommandLineOption[] = "--command-line=";

bool WriteResult(const std::string& path, std::string line) {
  if (path.empty()) return true;
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  line += '\n';
  const std::string temporary = path + ".tmp" + std::to_string(getpid());
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
  if (std::fclose(file) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

int Finish(const std::string& resultPath, const std::string& line, int exitCode) {
  if (!WriteResult(resultPath, line)) {
    std::fprintf(stderr, "talv-ce-run: cannot write the result file %s\n", resultPath.c_str());
    return kFaultExit;
  }
  return exitCode;
}

int Refuse(const std::string& resultPath, const std::string& message) {
  std::fprintf(stderr, "talv-ce-run: %s\n", message.c_str());
  Finish(resultPath, "fault: " + message, kFaultExit);
  return kFaultExit;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--check") {
    const ce::CheckOutcome check = ce::CheckCeProgram(argv[2]);
    if (!check.problem.empty()) {
      std::fprintf(stderr, "talv-ce-run: %s: %s\n", argv[2], check.problem.c_str());
      return kFaultExit;
    }
    if (check.needs == emu::ArmCpu::V5TE)
      std::printf("%s: an ARM Windows CE program (COREDLL.dll only); needs an ARMv5TE handheld (%s)\n", argv[2],
                  check.needsWhy.c_str());
    else
      std::printf("%s: an ARM Windows CE program (COREDLL.dll only); runs on ARMv4T and ARMv5TE handhelds\n", argv[2]);
    return 0;
  }
  std::string resultPath, folder, image;
  std::string commandLine;
  std::optional<emu::ArmCpu> cpu;
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--result" && i + 1 < argc) {
      resultPath = argv[++i];
    } else if (argument == "--cpu" && i + 1 < argc) {
      const std::string name = argv[++i];
      emu::ArmCpu chosen;
      if (!emu::ParseArmCpu(std::wstring(name.begin(), name.end()), &chosen))
        return Refuse(resultPath, "--cpu " + name + ": neither armv4t nor armv5te");
      cpu = chosen;
    } else if (argument.compare(0, sizeof kCommandLineOption - 1, kCommandLineOption) == 0) {
      commandLine = argument.substr(sizeof kCommandLineOption - 1);
    } else if (argument.compare(0, 2, "--") == 0 || positional == 2) {
      std::fputs(kUsage, stderr);
      return Refuse(resultPath, "unexpected argument: " + argument);
    } else {
      (positional++ == 0 ? folder : image) = argument;
    }
  }
  if (positional != 2) {
    std::fputs(kUsage, stderr);
    return Refuse(resultPath, "DEVICE_FOLDER and IMAGE are needed");
  }
  std::wstring units;
  if (!emu::DecodeUtf8Strict(commandLine, &units)) return Refuse(resultPath, "the command line is not UTF-8");
  const ce::RunOutcome outcome =
      ce::RunCeProgram(folder, image, std::u16string(units.begin(), units.end()), ce::RunLimits(), cpu);
  if (outcome.faulted) return Refuse(resultPath, outcome.message);
  return Finish(resultPath, "exit " + std::to_string(outcome.exitCode), static_cast<int>(outcome.exitCode & 0xFF));
}
