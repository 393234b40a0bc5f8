// Conversions of formats and integers.
#include "fp/fp_convert.h"

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
    widen(value, (uint32_t)(w >> 63), (uint32_t)(w >> 52) & 0x7FF, 0x7FF, w & 0xFFFFFFFFFFFFFull, 52, FP160_DP_OFFSET);
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
        FP160_Trace(value, label, "Converted from QP 0x%016lX:0x%016lX", (unsigned long)quad[1], (unsigned long)quad[0]);
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
