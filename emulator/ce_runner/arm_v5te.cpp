#include "arm_v5te.h"

namespace ce {
namespace {

struct Encoding {
  uint32_t mask, value;
  const char* name;
};

// Conditional encodings first (their condition must not be 0b1111), then the unconditional ones.
constexpr Encoding kConditional[] = {
    {0x0FFF0FF0, 0x016F0F10, "CLZ"},
    {0x0FFFFFF0, 0x012FFF30, "BLX"},
    {0x0E1000F0, 0x000000D0, "LDRD"},
    {0x0E1000F0, 0x000000F0, "STRD"},
    {0x0F9000F0, 0x01000050, "QADD/QSUB/QDADD/QDSUB"},
    {0x0F900090, 0x01000080, "SMLAxy/SMLAWy/SMULWy/SMLALxy/SMULxy"},
    {0x0FE00000, 0x0C400000, "MCRR/MRRC"},
};
constexpr Encoding kUnconditional[] = {
    {0xFE000000, 0xFA000000, "BLX"},
    {0xFD70F000, 0xF550F000, "PLD"},
    {0xFFF000F0, 0xE1200070, "BKPT"},
    {0xFE000000, 0xFC000000, "LDC2/STC2"},
    {0xFF000000, 0xFE000000, "CDP2/MCR2/MRC2"},
};

}  // namespace

const char* ArmV5teOnly(uint32_t word) {
  for (const Encoding& e : kUnconditional) {
    if ((word & e.mask) == e.value) return e.name;
  }
  if ((word >> 28) == 0xF) return nullptr;
  for (const Encoding& e : kConditional) {
    if ((word & e.mask) == e.value) return e.name;
  }
  return nullptr;
}

bool MovesDoubleword(uint32_t word) {
  return (word >> 28) != 0xF && ((word & 0x0E1000F0) == 0x000000D0 || (word & 0x0E1000F0) == 0x000000F0);
}

}  // namespace ce
