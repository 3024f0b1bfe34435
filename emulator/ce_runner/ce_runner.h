// Runs an ARM Windows CE program (the device agent) on an ARM CPU emulator, with the COREDLL stand-in over an
// emulated handheld's device folder, as the handheld would run it: entry(hInstance, 0, lpCmdLine, SW_SHOW).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "device_volumes.h"

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

struct CheckOutcome {
  std::string problem;  // empty: a handheld loads it and the emulated handheld can run it
  // The core its ARM code needs: ARMv5TE when an instruction only that core has appears in it (named in
  // `needsWhy`), else ARMv4T. Thumb code is not read.
  emu::ArmCpu needs = emu::ArmCpu::V4T;
  std::string needsWhy;
};

// Whether the file is a program a Windows CE ARM handheld loads, linked against its core library alone and
// only against the functions the emulated handheld's COREDLL provides, by name or by ordinal.
CheckOutcome CheckCeProgram(const std::string& imagePath);

// deviceFolder holds device.ini and root/; commandLine is the argument text (UTF-16) handed to the entry. The
// core is device.ini's cpu= unless `cpu` names another.
RunOutcome RunCeProgram(const std::string& deviceFolder, const std::string& imagePath,
                        const std::u16string& commandLine, const RunLimits& limits = RunLimits(),
                        std::optional<emu::ArmCpu> cpu = std::nullopt);

}  // namespace ce
