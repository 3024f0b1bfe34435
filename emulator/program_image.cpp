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
constexpr uint16_t kOptionalMagicPe32 = 0x10B;
constexpr uint16_t kSubsystemWindowsCeGui = 9;
// The emulated handheld runs Windows CE 5.0: a program that asks for a later system is refused, as the
// handheld's loader refuses it.
constexpr uint32_t kSystemVersion = 5 << 16 | 0;

}  // namespace

ImageKind ClassifyImage(const unsigned char* head, std::size_t size, uint16_t hostMachine) {
  if (size < 0x40 || head[0] != 'M' || head[1] != 'Z') return ImageKind::NotAProgram;
  const uint32_t pe = Read(head, 0x3C, 4);
  if (pe > size || size - pe < 24 || Read(head, pe, 4) != 0x00004550) return ImageKind::NotAProgram;
  const uint32_t machine = Read(head, pe + 4, 2);
  const uint32_t optionalSize = Read(head, pe + 20, 2);
  const uint32_t characteristics = Read(head, pe + 22, 2);
  if ((characteristics & kCharacteristicsExecutable) == 0 || (characteristics & kCharacteristicsDll) != 0)
    return ImageKind::NotAProgram;
  if (machine == hostMachine) return ImageKind::HostProgram;
  if (machine != kMachineArm) return ImageKind::OtherProcessor;
  // The CE loader reads the whole 0xE0-byte PE32 optional header with its 16 directories; the CLR directory
  // (14) must be empty.
  const std::size_t optional = pe + 24;
  if (optionalSize != 0xE0 || size - optional < 0xE0 || Read(head, optional, 2) != kOptionalMagicPe32 ||
      Read(head, optional + 92, 4) != 16 || Read(head, optional + 96 + 14 * 8, 4) != 0)
    return ImageKind::OtherProcessor;
  const uint32_t subsystem = Read(head, optional + 68, 2);
  const uint32_t version = Read(head, optional + 48, 2) << 16 | Read(head, optional + 50, 2);
  if (subsystem != kSubsystemWindowsCeGui || version > kSystemVersion) return ImageKind::OtherProcessor;
  return ImageKind::WindowsCeArm;
}

}  // namespace emu
