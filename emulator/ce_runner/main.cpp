// talv-ce-run [--hex] [--result FILE] [--claim FILE] [--cpu armv4t|armv5te] DEVICE_FOLDER IMAGE
//             [--command-line=TEXT]
// talv-ce-run --check IMAGE
//
// Runs an ARM Windows CE program on the emulated handheld in DEVICE_FOLDER and exits with its exit code (the
// low 8 bits, as Linux keeps them), or with 125 and a message on stderr when the program is refused, faults or
// the arguments are wrong. With --result, FILE also receives one line, "exit N" (N the full 32-bit exit code
// in decimal) or "fault: <message>", written whole (temporary file, then rename): the emulator under Wine
// starts this program without a handle to wait on, and learns from that file how the run ended. --cpu names the
// core instead of device.ini's cpu=. --claim names the run's record in the device folder: the runner locks it
// for as long as it runs, so the emulator sees a runner that went without a result. With --hex every file name
// and the command line are given as the hexadecimal digits of their bytes, as the emulator gives them: Wine
// hands a Linux program its arguments through a code page that need not be UTF-8. --check only says whether IMAGE is an
// ARM Windows CE program the handheld loads and the emulated handheld runs, and which core it needs (exit 0), or why
// not (exit 125).
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>

#include "ce_runner.h"
#include "portable_text.h"

namespace {

constexpr int kFaultExit = 125;
constexpr char kUsage[] =
    "usage: talv-ce-run [--hex] [--result FILE] [--claim FILE] [--cpu armv4t|armv5te] DEVICE_FOLDER IMAGE\n"
    "                   [--command-line=TEXT]\n"
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

bool FromHex(const std::string& hex, std::string* bytes) {
  if (hex.size() % 2 != 0) return false;
  bytes->clear();
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    int value = 0;
    for (int d = 0; d < 2; ++d) {
      const char c = hex[i + d];
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (digit < 0) return false;
      value = value * 16 + digit;
    }
    bytes->push_back(static_cast<char>(value));
  }
  return true;
}

// Locks the run's record for the rest of this process and writes the process id into it: the lock goes with
// the process, however it ends.
bool HoldClaim(const std::string& path) {
  if (path.empty()) return true;
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct flock whole = {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  if (fcntl(fd, F_SETLKW, &whole) != 0) return false;
  const std::string pid = std::to_string(getpid()) + "\n";
  return ftruncate(fd, 0) == 0 && write(fd, pid.data(), pid.size()) == static_cast<ssize_t>(pid.size());
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
  bool hex = false;
  for (int i = 1; i < argc; ++i) hex = hex || std::string(argv[i]) == "--hex";
  std::string resultPath, claimPath, folder, image;
  std::string commandLine;
  std::optional<emu::ArmCpu> cpu;
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--hex") {
      continue;
    } else if (argument == "--result" && i + 1 < argc) {
      resultPath = argv[++i];
      if (hex && !FromHex(std::string(resultPath), &resultPath)) return Refuse("", "--result is not hexadecimal");
    } else if (argument == "--claim" && i + 1 < argc) {
      claimPath = argv[++i];
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
  for (std::string* text : {&claimPath, &folder, &image, &commandLine}) {
    if (hex && !FromHex(std::string(*text), text)) return Refuse(resultPath, "an argument is not hexadecimal");
  }
  if (!HoldClaim(claimPath)) return Refuse(resultPath, "cannot lock the run's record " + claimPath);
  std::wstring units;
  if (!emu::DecodeUtf8Strict(commandLine, &units)) return Refuse(resultPath, "the command line is not UTF-8");
  const ce::RunOutcome outcome =
      ce::RunCeProgram(folder, image, std::u16string(units.begin(), units.end()), ce::RunLimits(), cpu);
  if (outcome.faulted) return Refuse(resultPath, outcome.message);
  return Finish(resultPath, "exit " + std::to_string(outcome.exitCode), static_cast<int>(outcome.exitCode & 0xFF));
}
