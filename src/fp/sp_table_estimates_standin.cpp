// The single-precision table estimates of the vector unit.
//
// STAND-IN: the remaining scalar emulation cores of the floating-point unit, to which these two
// estimates belong, are not built; they are weak so that that module's own definitions replace
// them.
#include "fp/sp_table_estimates.h"

#include "fp/fp_estimate_tables.h"

__attribute__((weak)) uint32_t one_over_x(uint32_t s)
{
    const uint32_t sign = s & 0x80000000;
    const int e = (int)((s >> 23) & 0xFF);
    uint32_t f = s & 0x7FFFFF;
    int n;
    if (e != 0) {
        n = 253 - e - (e >= 253 ? 1 : 0);
    } else {
        int k = 0;
        while (f && !(f & 0x800000)) {
            f <<= 1;
            k++;
        }
        n = 252 + k;
    }
    const uint32_t i = (f >> 18) & 31, j = (f >> 9) & 511;
    uint32_t r = (uint32_t)fres_32x15_offset[i] * 512 - (uint32_t)fres_32x10_slope[i] * j;
    if (e == 0 && n > 254) return sign | 0x7F800000;
    if (n <= 0) {
        // A denormal result: shift right by d, rounding to nearest even on the dropped bits.
        const int d = -n;
        uint32_t kept = d >= 32 ? 0 : r >> d;
        if (d >= 1 && d - 1 <= 31) {
            const uint32_t round = (r >> (d - 1)) & 1;
            const uint32_t sticky = d >= 2 ? (r & ((1u << (d - 1)) - 1)) : 0;
            if (round && (sticky || (kept & 1))) kept++;
        }
        return sign | (kept & 0x7FFFFF);
    }
    while (!(r & 0x800000) && n > 0 && r) {
        r <<= 1;
        n--;
    }
    return sign | ((uint32_t)n << 23) | (r & 0x7FFFFF);
}

__attribute__((weak)) uint32_t one_over_sqrt_x(uint32_t s)
{
    const bool negative = (s & 0x80000000) != 0;
    const uint32_t magnitude = s & 0x7FFFFFFF;
    if (magnitude == 0x7F800000) return negative ? 0x7FC00000 : 0;
    if (magnitude > 0x7F800000) return s | 0x400000;
    if (magnitude == 0) return negative ? 0xFF800000 : 0x7F800000;
    if (negative) return 0x7FC00000;
    int e = (int)(s >> 23) - 127;
    uint32_t f = s & 0x7FFFFF;
    if ((s >> 23) == 0) {
        int k = 0;
        while (!(f & 0x800000)) {
            f <<= 1;
            k++;
        }
        e = -126 - k;
        f &= 0x7FFFFF;
    }
    const uint32_t i = (uint32_t)((e + 127) & 1) * 16 + (f >> 19), j = (f >> 9) & 1023;
    uint32_t r = (uint32_t)frsqrte_2x16x16_offset[i] * 1024 - (uint32_t)frsqrte_2x16x11_slope[i] * j;
    int n = (-e) >> 1;
    while (r && !(r & 0x2000000)) {
        r <<= 1;
        n--;
    }
    if ((r & 2) && (r & 5)) r += 4;
    if (n < -127) return 0;
    if (n == -127 && f != 0) return 0;
    return ((uint32_t)(n + 127) << 23) | ((r >> 2) & 0x7FFFFF);
}
