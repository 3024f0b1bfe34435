// Runs an ARM Windows CE program (the device agent) on an ARM CPU emulator, with the COREDLL stand-in over an
// emulated handheld's device folder, as the handheld would run it: entry(hInstance, 0, lpCmdLine, SW_SHOW).
#pragma once

#include <cstdint>
#include <string>

namespace ce {

struct RunLimits {
  uint64_t instructions = 50000000;  // a hung program stops here
  uint64_t microseconds = 5000000;   // or here, whichever comes first
};

struct RunOutcome {
  bool faulted = true;  // refused, crashed, broke a rule of the stand-in or did not end
  uint32_t exitCode = 0;
  std::string message;  // the fault
};

// Whether the file is a program a Windows CE ARM handheld loads, linked against its core library alone: empty,
// or why not. The stand-in's own list of functions is not asked: a handheld's COREDLL has many more.
std::string CheckCeProgram(const std::string& imagePath);

// deviceFolder holds device.ini and root/; commandLine is the argument text (UTF-16) handed to the entry.
RunOutcome RunCeProgram(const std::string& deviceFolder, const std::string& imagePath,
                        const std::u16string& commandLine, const RunLimits& limits = RunLimits());

}  // namespace ce
