#include "program_image.h"

namespace emu {
namespace {

uint32_t Read(const unsigned char* bytes, std::size_t at, int width) {
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[at + i];
  return value;
}

constexpr uint16_t kCharacteristicsExecutable = 0x0002;
constexpr uint16_t kCharacteristicsDll = 0x2000;

}  // namespace

ImageKind ClassifyImage(const unsigned char* head, std::size_t size, uint16_t hostMachine) {
  if (size < 0x40 || head[0] != 'M' || head[1] != 'Z') return ImageKind::NotAProgram;
  const uint32_t pe = Read(head, 0x3C, 4);
  if (pe > size || size - pe < 24 || Read(head, pe, 4) != 0x00004550) return ImageKind::NotAProgram;
  const uint32_t characteristics = Read(head, pe + 22, 2);
  if ((characteristics & kCharacteristicsExecutable) == 0 || (characteristics & kCharacteristicsDll) != 0)
    return ImageKind::NotAProgram;
  const uint32_t machine = Read(head, pe + 4, 2);
  if (machine == hostMachine) return ImageKind::HostProgram;
  return machine == kMachineArm ? ImageKind::ArmProgram : ImageKind::OtherProcessor;
}

}  // namespace emu
