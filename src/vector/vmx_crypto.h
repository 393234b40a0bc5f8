// The vector AES and SHA-2 instructions (vcipher, vcipherlast, vncipher, vncipherlast, vsbox,
// vshasigmaw, vshasigmad): the byte multipliers of the AES column mixing and the SHA sigma
// functions they are built from.
#pragma once

#include <cstdint>

// Products in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1 by the constants of MixColumns and
// InvMixColumns.
uint8_t VSU_GFMul02(uint8_t x);
uint8_t VSU_GFMul03(uint8_t x);
uint8_t VSU_GFMul09(uint8_t x);
uint8_t VSU_GFMul0B(uint8_t x);
uint8_t VSU_GFMul0D(uint8_t x);
uint8_t VSU_GFMul0E(uint8_t x);

// The SHA-256 (word) and SHA-512 (doubleword) sigma functions by selector 0..3: the small sigma
// 0 and 1, then the big sigma 0 and 1.
uint32_t VSU_SHA256_Sigma(uint32_t x, int selector);
uint64_t VSU_SHA512_Sigma(uint64_t x, int selector);
