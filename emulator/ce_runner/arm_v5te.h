// The ARM-state instructions an ARMv5TE core has and an ARMv4T core does not: on an ARMv4T handheld each is an
// undefined instruction that ends the program. Portable: a decoder of instruction words, nothing more.
#pragma once

#include <cstdint>

namespace ce {

// The mnemonic ("CLZ", "BLX", "LDRD", ...) when `word`, as an ARM-state instruction, exists only from ARMv5TE
// on; null otherwise.
const char* ArmV5teOnly(uint32_t word);

// Whether the ARM-state instruction moves a doubleword (LDRD, STRD): its address must be a multiple of 8.
bool MovesDoubleword(uint32_t word);

}  // namespace ce
