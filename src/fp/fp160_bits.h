// Bit-field utilities of the floating-point library on 128-bit values (two 64-bit words, low word
// first) and on 64-, 32- and 16-bit words, in big-endian bit numbering (bit 0 most significant);
// field setters of the storage formats. Bit numbers outside the value are the caller's error.
#pragma once

#include <cstdint>

using fp_u128 = unsigned __int128;

inline fp_u128 Load_128(const uint64_t *value)
{
    return ((fp_u128)value[1] << 64) | value[0];
}
inline void Store_128(uint64_t *value, fp_u128 v)
{
    value[0] = (uint64_t)v;
    value[1] = (uint64_t)(v >> 64);
}

inline int Test_Bit_128(const uint64_t *value, int b)
{
    return (int)((Load_128(value) >> (127 - b)) & 1);
}
inline void Set_Bit_128(uint64_t *value, int b, int on)
{
    const fp_u128 bit = (fp_u128)1 << (127 - b);
    fp_u128 v = Load_128(value);
    Store_128(value, on ? v | bit : v & ~bit);
}
// Bits b..c right-aligned (c - b below 64).
inline uint64_t Get_Bits_128(const uint64_t *value, int b, int c)
{
    const int width = c - b + 1;
    const uint64_t mask = width >= 64 ? ~0ull : (1ull << width) - 1;
    return (uint64_t)(Load_128(value) >> (127 - c)) & mask;
}
// Bits b..c replaced by the low bits of field (c - b below 64).
inline void Set_Bits_128(uint64_t *value, int b, int c, uint64_t field)
{
    const int width = c - b + 1;
    const fp_u128 mask = (width >= 64 ? (fp_u128)~0ull : (fp_u128)((1ull << width) - 1)) << (127 - c);
    fp_u128 v = Load_128(value);
    Store_128(value, (v & ~mask) | (((fp_u128)field << (127 - c)) & mask));
}
// Logical shifts: n of 128 or more gives zero, n of 0 or less changes nothing.
inline void Shift_Left_128(uint64_t *value, int n)
{
    if (n <= 0) return;
    Store_128(value, n >= 128 ? 0 : Load_128(value) << n);
}
inline void Shift_Right_128(uint64_t *value, int n)
{
    if (n <= 0) return;
    Store_128(value, n >= 128 ? 0 : Load_128(value) >> n);
}
// sum = a + b + carry; *overflow (when given) is 1 exactly when the high word's signed addition
// overflowed.
inline void Add_128_With_Carry(int *overflow, uint64_t *sum, const uint64_t *a, const uint64_t *b, int carry)
{
    const uint64_t a_hi = a[1], b_hi = b[1];
    const fp_u128 s = Load_128(a) + Load_128(b) + (carry ? 1 : 0);
    Store_128(sum, s);
    if (overflow) {
        const uint64_t s_hi = (uint64_t)(s >> 64);
        *overflow = (int)((~(a_hi ^ b_hi) & (a_hi ^ s_hi)) >> 63);
    }
}

inline void Set_Bits_64(uint64_t *word, int b, int c, uint64_t field)
{
    const int width = c - b + 1;
    const uint64_t mask = (width >= 64 ? ~0ull : (1ull << width) - 1) << (63 - c);
    *word = (*word & ~mask) | ((field << (63 - c)) & mask);
}
inline void Set_Bits_32(uint32_t *word, int b, int c, uint32_t field)
{
    const int width = c - b + 1;
    const uint32_t mask = (width >= 32 ? ~0u : (1u << width) - 1) << (31 - c);
    *word = (*word & ~mask) | ((field << (31 - c)) & mask);
}

// Bits 12..63 of a double.
inline void Set_DP_Fraction(uint64_t *word, uint64_t fraction)
{
    *word = (*word & ~0xFFFFFFFFFFFFFull) | (fraction & 0xFFFFFFFFFFFFFull);
}
// Exponent all ones, fraction zero, sign kept.
inline void Set_DP_Infinity(uint64_t *word)
{
    *word = (*word & (1ull << 63)) | 0x7FF0000000000000ull;
}
inline void Set_SP_Infinity(uint32_t *word)
{
    *word = (*word & 0x80000000u) | 0x7F800000u;
}
inline void Set_HP_Infinity(uint16_t *word)
{
    *word = (uint16_t)((*word & 0x8000u) | 0x7C00u);
}
inline void Set_QP_Infinity(uint64_t *value)
{
    value[1] = (value[1] & (1ull << 63)) | 0x7FFF000000000000ull;
    value[0] = 0;
}
// Bits 1..15 of a quad value.
inline void Set_QP_Exponent(uint64_t *value, uint32_t e)
{
    value[1] = (value[1] & ~0x7FFF000000000000ull) | ((uint64_t)(e & 0x7FFF) << 48);
}
inline void Set_QP_Sign(uint64_t *value, int on)
{
    value[1] = on ? value[1] | (1ull << 63) : value[1] & ~(1ull << 63);
}
