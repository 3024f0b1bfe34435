// What kind of program an image on the emulated handheld is, read from its headers alone. Portable, so that the
// same rules serve RAPI.dll and the tests on the build machine.
#pragma once

#include <cstddef>
#include <cstdint>

namespace emu {

enum class ImageKind {
  NotAProgram,     // no PE executable (a data file, a DLL): a start is recorded, nothing runs
  ArmProgram,      // an ARM executable: the handheld's loader decides the rest (ce::LoadPeImage)
  HostProgram,     // a Windows program for the PC's own processor (test helpers)
  OtherProcessor,  // a PE executable for any other processor
};

constexpr uint16_t kMachineArm = 0x01C0;
constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr std::size_t kImageHeadBytes = 4096;  // the headers a classification reads

// head: the first bytes of the file (up to kImageHeadBytes). hostMachine: the PC's machine type.
ImageKind ClassifyImage(const unsigned char* head, std::size_t size, uint16_t hostMachine);

}  // namespace emu
