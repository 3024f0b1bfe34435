// ARM Windows CE programs on the emulated handheld run on the ARM CPU emulator, talv-ce-run: a program for the
// build machine (Linux) beside RAPI.dll, which Wine starts when asked to start it. Wine hands back neither a
// process handle nor an exit code for such a program, so it reports how the run ended in a result file of its
// own, which the link watches.
#pragma once

#include <windows.h>

#include <string>

namespace emu {

// Starts hostImage on the device folder with the device command line `arguments`, not waiting for it. Returns 0
// and the result file's path (<folder>\runs\<processId>.result, written once the program has ended: "exit N"
// or "fault: <what went wrong>"), or the Windows CE error of a start that could not be made.
DWORD StartCeProgram(const std::wstring& folder, const std::wstring& hostImage, const std::wstring& arguments,
                     DWORD processId, std::wstring* resultFile);

}  // namespace emu
