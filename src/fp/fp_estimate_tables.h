// The tables of the hardware-exact estimates: offsets and slopes of the piecewise-linear
// reciprocal and reciprocal-square-root estimates and the table-only estimates of the default
// processor variant. Fraction bits are counted from the first bit after the implicit one.
#pragma once

#include <cstdint>

// Single precision, 32 entries: index fraction bits 1..5 (reciprocal) or exponent parity * 16 +
// fraction bits 1..4 (reciprocal square root, even biased exponents first).
extern const uint16_t fres_32x15_offset[32];
extern const uint16_t fres_32x10_slope[32];
extern const uint16_t frsqrte_2x16x16_offset[32];
extern const uint16_t frsqrte_2x16x11_slope[32];
// Double precision, 64 entries indexed by fraction bits 1..6: the FP_RE_Cirn_LIKE and
// FP_RE_Dravo_LIKE reciprocal variants.
extern const uint32_t fres_64x18_offset[64];
extern const uint8_t fres_64x8_slope[64];
extern const uint32_t fres_64x18_dravo_offset[64];
extern const uint8_t fres_64x8_dravo_slope[64];
// Reciprocal square root of both variants: even unbiased exponents in 0..63, odd in 64..127.
extern const uint32_t frsqrte_2x64x18_offset[128];
extern const uint8_t frsqrte_2x64x8_slope[128];
// The default variant: the 12 top fraction bits of the reciprocal by fraction bits 1..7, the 8
// top fraction bits of the reciprocal square root by unbiased-exponent parity * 8 + bits 1..3.
extern const uint16_t fres_table[128];
extern const uint8_t frsqrte_table[16];
