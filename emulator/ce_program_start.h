// ARM Windows CE programs on the emulated handheld run on the ARM CPU emulator, talv-ce-run: a program for the
// build machine (Linux) beside RAPI.dll, which Wine starts when asked to start it. Wine hands back neither a
// process handle nor an exit code for such a program, so it reports how the run ended in a result file of its
// own, which the link watches (ce_runs.h).
#pragma once

#include <windows.h>

#include <string>

#include "ce_runs.h"

namespace emu {

// Starts hostImage on the device folder with the device command line `arguments` as the claimed run `run`, not
// waiting for it. Returns 0, or the Windows CE error of a start that could not be made with what went wrong in
// *problem (talv-ce-run missing beside RAPI.dll, no Wine to start it with, ...).
DWORD StartCeProgram(const std::wstring& folder, const std::wstring& hostImage, const std::wstring& arguments,
                     const CeRun& run, std::wstring* problem);

}  // namespace emu
