// Conversions between a signed packed-decimal quadword and a signed 128-bit integer, exported for
// plug-ins and library hosts (no instruction uses them). The packed value is the quadword's
// 16-byte little-endian image: byte 0 is the least significant, its low nibble the sign code.
#pragma once

#include <cstdint>

// The integer (low and high doublewords) of the packed value; *invalid counts an invalid sign
// code (0..9) and each digit above 9, which is still used. A minus sign (0xB, 0xD) negates.
extern "C" void BCD_ToSignedIntegerQuad(const uint8_t *packed, uint64_t *low, uint64_t *high,
                                        uint32_t *invalid);
// The packed value of the integer; plus is 0xF when preferred_sign is set, else 0xC; minus 0xD.
// *overflow is non-zero for a value outside -2^104 .. 2^104 - 1 (reduced to its low 104 bits) or
// with more than 31 digits.
extern "C" void BCD_FromSignedIntegerQuad(uint64_t low, uint64_t high, uint8_t *packed, int preferred_sign,
                                          uint32_t *overflow);
