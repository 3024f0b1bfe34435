// TalveniaGDFS for the emulated handheld: a host GUI program (no window, no console) that the emulator's
// RAPI.dll starts as "<host image path>" <device command line>. Windows CE hands WinMain only the argument
// text, so the program name and the one separating blank are dropped here and the rest goes on unchanged.
#include <windows.h>

#include "device_agent.h"
#include "emulated_handheld.h"
#include "host_text.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  agent::EmulatedHandheld handheld;
  const auto* commandLine = reinterpret_cast<const char16_t*>(GetCommandLineW());
  return agent::RunDeviceAgent(handheld, agent::ArgumentsFromHostCommandLine(commandLine));
}
