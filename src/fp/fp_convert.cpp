// Conversions of formats and integers.
#include "fp/fp_convert.h"

#include <cstdint>

#include "fp/fp160_bits.h"
#include "fp/fp160_round.h"
#include "fp/fp160_text.h"

namespace
{

// Sign, exponent and fraction of a stored pattern placed into the value: the fraction's first bit
// lands on significand bit 2; a normal number gets the integer bit. offset maps the exponent field.
void widen(FP160 *value, uint32_t sign, uint32_t field, uint32_t all_ones, fp_u128 fraction, int fbits,
           uint32_t offset)
{
    value->sign = (int32_t)sign;
    const fp_u128 placed = fraction << (126 - fbits);
    if (field == 0) {
        value->exponent = fraction == 0 ? 0 : offset + 1;
        Store_128(&value->sig_lo, placed);
    } else if (field == all_ones) {
        value->exponent = FP160_EXP_MAX;
        Store_128(&value->sig_lo, placed);
    } else {
        value->exponent = offset + field;
        Store_128(&value->sig_lo, placed | ((fp_u128)1 << 126));
    }
    FP160_Normalize(value);
}

} // namespace

void FP160_ConvertFromDP(FP160 *value, const uint64_t *word, const char *label)
{
    const uint64_t w = *word;
    FP160_Init(value, label);
    value->src_format = FP_FORMAT_DP;
    widen(value, (uint32_t)(w >> 63), (uint32_t)(w >> 52) & 0x7FF, 0x7FF, w & 0xFFFFFFFFFFFFFull, 52,
          FP160_DP_OFFSET);
    if (FP160_Tracing()) FP160_Trace(value, label, "Converted from DP 0x%016lX", (unsigned long)w);
}

void FP160_VX_ConvertFromSP_Source(FP160 *value, uint32_t word, int denormals_are_zero, int graph,
                                   const char *label)
{
    FP160_Init(value, label);
    const uint32_t field = (word >> 23) & 0xFF, fraction = word & 0x7FFFFF;
    value->sign = (int32_t)(word >> 31);
    if (field == 0 && fraction != 0 && (denormals_are_zero || graph)) return;
    if (graph && field == 0xFF) {
        // The all-ones exponent is an ordinary exponent; nothing is normalised.
        value->exponent = FP160_SP_OFFSET + field;
        value->sig_hi = ((uint64_t)fraction << 39) | FP160_INTEGER_BIT;
    } else {
        widen(value, word >> 31, field, 0xFF, fraction, 23, FP160_SP_OFFSET);
    }
    if (FP160_Tracing()) FP160_Trace(value, label, "Converted from SP 0x%08X", (unsigned)word);
}

void FP160_ConvertFromHP(FP160 *value, uint16_t half, const char *label)
{
    FP160_Init(value, label);
    value->src_format = FP_FORMAT_HP;
    widen(value, half >> 15, (half >> 10) & 0x1F, 0x1F, half & 0x3FF, 10, FP160_HP_OFFSET);
    if (FP160_Tracing()) FP160_Trace(value, label, "Converted from HP 0x%04X", (unsigned)half);
}

void FP160_ConvertFromQP(FP160 *value, const uint64_t *quad, const char *label)
{
    FP160_Init(value, label);
    value->src_format = FP_FORMAT_QP;
    const fp_u128 q = Load_128(quad);
    const fp_u128 fraction = q & (((fp_u128)1 << 112) - 1);
    widen(value, (uint32_t)(q >> 127), (uint32_t)(q >> 112) & 0x7FFF, 0x7FFF, fraction, 112, FP160_QP_OFFSET);
    if (FP160_Tracing())
        FP160_Trace(value, label, "Converted from QP 0x%016lX:0x%016lX", (unsigned long)quad[1],
                    (unsigned long)quad[0]);
}

void FP160_ConvertFromSI64(FP160 *value, int64_t integer, const char *label)
{
    FP160_Init(value, label);
    value->src_format = FP_FORMAT_DP;
    value->sign = integer < 0 ? 1 : 0;
    value->exponent = FP160_BIAS + 62;
    const uint64_t magnitude = integer < 0 ? 0 - (uint64_t)integer : (uint64_t)integer;
    if (magnitude >> 63) { // the most negative value
        value->sig_hi = magnitude >> 1;
        value->exponent += 1;
    } else {
        value->sig_hi = magnitude;
    }
    FP160_Normalize(value);
    if (FP160_Tracing()) FP160_Trace(value, label, "Converted from SI64 0x%016lX", (unsigned long)integer);
}

void FP160_ConvertFromUI64(FP160 *value, uint64_t integer, const char *label)
{
    FP160_Init(value, label);
    value->src_format = FP_FORMAT_SP;
    value->exponent = FP160_BIAS + 63;
    value->sig_hi = integer;
    Shift_Right_128(&value->sig_lo, 1);
    FP160_Normalize(value);
    if (FP160_Tracing()) FP160_Trace(value, label, "Converted from UI64 0x%016lX", (unsigned long)integer);
}

void FP160_ConvertFromSI32(FP160 *value, int32_t integer, const char *label)
{
    FP160_Init(value, label);
    value->src_format = FP_FORMAT_SP;
    value->sign = integer < 0 ? 1 : 0;
    value->exponent = FP160_BIAS + 62;
    const int64_t extended = integer;
    value->sig_hi = (uint64_t)(extended < 0 ? -extended : extended);
    FP160_Normalize(value);
    if (FP160_Tracing()) FP160_Trace(value, label, "Converted from SI32 0x%08X", (unsigned)integer);
}

void FP160_ConvertFromUI32(FP160 *value, uint32_t integer, const char *label)
{
    FP160_Init(value, label);
    value->src_format = FP_FORMAT_SP;
    value->exponent = FP160_BIAS + 62;
    value->sig_hi = integer;
    FP160_Normalize(value);
    if (FP160_Tracing()) FP160_Trace(value, label, "Converted from UI32 0x%08X", (unsigned)integer);
}

int FP160_MakeIntegral(FP160 *value, int mode, int keep_signalling)
{
    if (FP160_Is_NaN(value)) {
        if (value->sig_hi & FP160_QUIET_BIT)
            FP160_Mark_Exception(value, FP160_EXC_QNAN, 0, "FP160_MakeIntegral", "Operand is QNaN");
        else
            FP160_Mark_Exception(value, FP160_EXC_SNAN, 0, "FP160_MakeIntegral", "Operand is SNaN");
        if (!keep_signalling) FP160_Make_Quiet_NaN(value);
        return 0;
    }
    if (value->exponent == FP160_EXP_MAX || FP160_Is_Zero(value)) return 0;
    int64_t u = (int64_t)value->exponent - (int64_t)FP160_BIAS;
    if (u >= 126) {
        FP160_Normalize(value);
        return 0;
    }
    fp_u128 s = Load_128(&value->sig_lo);
    bool lost = false;
    if (u < 0) {
        // |x| < 1: move the integer bit's place to exponent 0.
        const int64_t n = -u;
        const fp_u128 dropped = n >= 128 ? s : s & (((fp_u128)1 << n) - 1);
        if (dropped) {
            lost = true;
            FP160_Mark_Exception(value, FP160_EXC_INEXACT, 0, "FP160_MakeIntegral",
                                 "Right-shift for exponent (%d) discards bits", (int)u);
        }
        s = n >= 128 ? 0 : s >> n;
        value->exponent = FP160_BIAS;
        u = 0;
    }
    // The last integer bit is significand bit 1 + u, bit (126 - u) from the bottom.
    const int last = 126 - (int)u;
    const fp_u128 below = s & (((fp_u128)1 << last) - 1);
    const int guard = (int)((s >> (last - 1)) & 1);
    const int round = last >= 2 ? (int)((s >> (last - 2)) & 1) : 0;
    const bool sticky = lost || (last >= 2 && (s & (((fp_u128)1 << (last - 2)) - 1)) != 0);
    const int grx = guard * 4 + round * 2 + (sticky ? 1 : 0);
    if (below) {
        FP160_Mark_Exception(value, FP160_EXC_INEXACT, 0, "FP160_MakeIntegral",
                             "Non-integral bits discarded (exponent %d)", (int)u);
        s &= ~(((fp_u128)1 << last) - 1);
    }
    if (FP_Round_Incr_Fract(mode, value->sign != 0, (int)((s >> last) & 1), grx)) {
        FP160_Mark_Exception(value, FP160_EXC_ROUNDED_UP, 0, "FP160_MakeIntegral",
                             "Round mode and GRX bits (0x%01X) indicate round-up", grx);
        s += (fp_u128)1 << last;
        if (s >> 127) {
            if (s & 1)
                FP160_Mark_Exception(
                    value, FP160_EXC_INEXACT, 0, "FP160_MakeIntegral",
                    "Carry out of significand exponent increment causes right-shift to discard bits");
            s >>= 1;
            value->exponent += 1;
        }
    }
    Store_128(&value->sig_lo, s);
    FP160_Normalize(value);
    return 0;
}

namespace
{

// Limits of an integer conversion.
struct IntegerForm {
    int64_t limit;         // the unbiased exponent above which the value cannot fit
    const char *too_large; // pre-check text
    const char *routine;
};

inline int64_t unbiased_of(const FP160 *v)
{
    return (int64_t)v->exponent - (int64_t)FP160_BIAS;
}

// The pre-check: infinity or an exponent beyond the limit.
inline bool beyond(FP160 *value, const IntegerForm &form)
{
    if (FP160_Is_Infinity(value) || unbiased_of(value) > form.limit) {
        FP160_Mark_Exception(value, FP160_EXC_OVERFLOW, 0, form.routine, "%s", form.too_large);
        return true;
    }
    return false;
}

// After rounding: the integer of the value in 128 bits.
inline fp_u128 integer_of(FP160 *value)
{
    if (value->exponent == 0) return 0;
    value->sig_hi &= ~FP160_HEADROOM_BIT;
    const int64_t shift = 126 - unbiased_of(value);
    const fp_u128 s = Load_128(&value->sig_lo);
    if (shift <= 0) return s;
    return shift >= 128 ? 0 : s >> shift;
}

// After rounding toward zero: the integer of the value for the 32-bit forms, from sig_hi.
inline uint64_t integer32_of(FP160 *value)
{
    if (value->exponent == 0) return 0;
    const int64_t shift = 62 - unbiased_of(value);
    const uint64_t hi = value->sig_hi & ~FP160_HEADROOM_BIT;
    if (shift <= 0) return hi;
    return shift >= 64 ? 0 : hi >> shift;
}

void overflow(FP160 *value, const char *routine, const char *message)
{
    FP160_Mark_Exception(value, FP160_EXC_OVERFLOW, 0, routine, "%s", message);
}

constexpr IntegerForm INT64{63, "Operand is INF or too large for 64-bit integer", "FP160_Make_Int64"};
constexpr IntegerForm UINT64{64, "Operand is INF or too large for 64-bit unsigned integer",
                             "FP160_Make_UInt64"};
constexpr IntegerForm INT32{31, "Operand is INF or too large for 32-bit integer", "FP160_Make_Int32"};
constexpr IntegerForm UINT32{32, "Operand is INF or too large for 32-bit unsigned integer",
                             "FP160_Make_UInt32"};

uint64_t make_unsigned64(FP160 *value, int mode, bool any_negative_sign)
{
    const bool negative = value->sign != 0;
    if (beyond(value, UINT64)) return negative ? 0 : ~0ull;
    FP160_MakeIntegral(value, mode, 0);
    const fp_u128 n = integer_of(value);
    if (negative && (n != 0 || any_negative_sign)) {
        overflow(value, UINT64.routine, "Negative result");
        return 0;
    }
    if (n >> 64) {
        overflow(value, UINT64.routine, "Positive result > maximum positive unsigned integer");
        return ~0ull;
    }
    return (uint64_t)n;
}

uint32_t make_unsigned32(FP160 *value, bool any_negative_sign)
{
    const bool negative = value->sign != 0;
    if (beyond(value, UINT32)) return negative ? 0 : 0xFFFFFFFFu;
    FP160_MakeIntegral(value, FP_ROUND_ZERO, 0);
    const uint64_t n = integer32_of(value);
    if (negative && (n != 0 || any_negative_sign)) {
        overflow(value, UINT32.routine, "Negative result");
        return 0;
    }
    if (n >> 32) {
        overflow(value, UINT32.routine, "Positive result > maximum positive unsigned integer");
        return 0xFFFFFFFFu;
    }
    return (uint32_t)n;
}

} // namespace

int64_t FP160_Make_Int64(FP160 *value, int mode)
{
    const bool negative = value->sign != 0;
    if (beyond(value, INT64)) return negative ? INT64_MIN : INT64_MAX;
    FP160_MakeIntegral(value, mode, 0);
    const fp_u128 n = integer_of(value);
    if (negative) {
        if (n <= ((fp_u128)1 << 63)) return (int64_t)(0 - (uint64_t)n);
        overflow(value, INT64.routine, "Negative result > maximum negative signed integer");
        return INT64_MIN;
    }
    if (n < ((fp_u128)1 << 63)) return (int64_t)n;
    overflow(value, INT64.routine, "Positive result > maximum positive signed integer");
    return INT64_MAX;
}

uint64_t FP160_Make_UInt64(FP160 *value, int mode)
{
    return make_unsigned64(value, mode, false);
}

uint64_t FP160_Make_Q_UInt64(FP160 *value, int mode)
{
    return make_unsigned64(value, mode, true);
}

int32_t FP160_Make_Int32(FP160 *value)
{
    const bool negative = value->sign != 0;
    if (beyond(value, INT32)) return negative ? INT32_MIN : INT32_MAX;
    FP160_MakeIntegral(value, FP_ROUND_ZERO, 0);
    const uint64_t n = integer32_of(value);
    if (negative) {
        if (n <= (1ull << 31)) return (int32_t)(0 - (uint32_t)n);
        overflow(value, INT32.routine, "Negative result > maximum negative signed integer");
        return INT32_MIN;
    }
    if (n <= 0x7FFFFFFF) return (int32_t)n;
    overflow(value, INT32.routine, "Positive result > maximum positive signed integer");
    return INT32_MAX;
}

uint32_t FP160_Make_UInt32(FP160 *value)
{
    return make_unsigned32(value, false);
}

uint32_t FP160_Make_Q_UInt32(FP160 *value)
{
    return make_unsigned32(value, true);
}
