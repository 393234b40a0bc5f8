// Bit-level conversions between the stored formats.
#include "fp/format_convert.h"

#include <cstring>

#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "fp/fp_options.h"
#include "fp/fpscr.h"
#include "decode/instr_info.h"

namespace
{

constexpr uint64_t DP_SIGN = 1ull << 63;
constexpr uint64_t DP_FRACTION = 0xFFFFFFFFFFFFFull;
constexpr uint64_t DP_IMPLICIT = 1ull << 52;

inline uint32_t dp_field(uint64_t dw)
{
    return (uint32_t)(dw >> 52) & 0x7FF;
}

// A denormal's fraction placed at the top of a wider fraction field, normalised: shifted left
// until the implicit bit (bit `implicit`) is set, the exponent counting down from `start`.
inline uint64_t normalise(uint64_t sign, uint64_t fraction, int implicit, uint64_t start)
{
    uint64_t exponent = start;
    while (!(fraction & (1ull << implicit))) {
        fraction <<= 1;
        exponent--;
    }
    return sign | (exponent << implicit) | (fraction & ((1ull << implicit) - 1));
}

// Single-precision word of a double by field selection: bits 0..1 and 5..34.
inline uint32_t select_sp(uint64_t dw)
{
    return (uint32_t)((dw >> 63) << 31) | (uint32_t)(((dw >> 62) & 1) << 30) |
           (uint32_t)((dw >> 29) & 0x3FFFFFFF);
}

// The truncating denormalisation of a double into the single denormal range (biased 874..896).
inline uint32_t denormalise_sp(uint64_t dw)
{
    const uint32_t shift = 926 - dp_field(dw); // 30 .. 52 (and beyond: zero)
    const uint64_t m = (dw & DP_FRACTION) | DP_IMPLICIT;
    return (uint32_t)((dw >> 63) << 31) | (shift >= 64 ? 0u : (uint32_t)(m >> shift) & 0x7FFFFF);
}

} // namespace

uint64_t ConvSPtoDP(uint32_t word)
{
    const uint64_t sign = (uint64_t)(word >> 31) << 63;
    const uint32_t field = (word >> 23) & 0xFF, fraction = word & 0x7FFFFF;
    const uint64_t bit1 = (word >> 30) & 1;
    const uint64_t body = (bit1 << 62) | ((uint64_t)(word & 0x3FFFFFFF) << 29);
    if (field != 0 && field != 0xFF) return sign | body | ((bit1 ? 0ull : 7ull) << 59);
    if (field == 0xFF || fraction == 0) return sign | body | ((bit1 ? 7ull : 0ull) << 59);
    return normalise(sign, (uint64_t)fraction << 29, 52, 897);
}

uint64_t load_single_float(IOPDesc *, uint32_t word)
{
    return ConvSPtoDP(word);
}

uint32_t ConvDPtoSP(ThreadState *thread, uint64_t dw, int mode, int flush)
{
    const uint32_t field = dp_field(dw);
    if ((dw & ~DP_SIGN) == 0 || field > 896) return select_sp(dw);
    if (field >= 874) return denormalise_sp(dw);
    if (FP_Thread_Option(thread, PO_SQUISH_DP_INTO_SP)) return Make_DP_Fit_in_SP(dw);
    FP160 value;
    FP160_ConvertFromDP(&value, &dw, "ConvDPtoSP::tmp(undef)");
    return FP160_Convert32(&value, mode, flush, 0, 0);
}

uint32_t ConvDPtoSP_NS(ThreadState *, uint64_t dw)
{
    if ((dw & ~DP_SIGN) == 0 || dp_field(dw) > 896) return select_sp(dw);
    return denormalise_sp(dw);
}

uint32_t store_single_float(IOPDesc *iop, uint64_t dw)
{
    return ConvDPtoSP(iop->thread, dw, IOP_FP_Rounding_Mode(iop), 1);
}

uint32_t Make_DP_Fit_in_SP(uint64_t dw)
{
    return (uint32_t)((dw >> 63) << 31) | (uint32_t)(((dw >> 52) & 0xFF) << 23) |
           (uint32_t)((dw >> 29) & 0x7FFFFF);
}

void forceDenZero(ThreadState *thread, uint64_t *dw)
{
    const uint32_t word = ConvDPtoSP(thread, *dw, FP_ROUND_ZERO, 0);
    if ((word & 0x7F800000) == 0 && (word & 0x7FFFFF) != 0) *dw &= DP_SIGN;
}

double FPR_ConvertFloat(uint64_t dw)
{
    FP160 value;
    FP160_ConvertFromDP(&value, &dw, "FPR_ConvertFloat::f(debug)");
    uint64_t bits;
    FP160_Convert64(&value, FP_ROUND_ZERO, &bits, 3);
    double result;
    memcpy(&result, &bits, sizeof result);
    return result;
}

uint64_t ConvHPtoDP(uint16_t half)
{
    const uint64_t sign = (uint64_t)(half >> 15) << 63;
    const uint32_t field = (half >> 10) & 0x1F, fraction = half & 0x3FF;
    const uint64_t bit1 = (half >> 14) & 1;
    const uint64_t body = (bit1 << 62) | ((uint64_t)(half & 0x3FFF) << 42);
    if (field != 0 && field != 0x1F) return sign | body | ((bit1 ? 0ull : 0x3Full) << 56);
    if (field == 0x1F && fraction != 0) return 0x7FF8000000000000ull | ((uint64_t)fraction << 42);
    if (field == 0x1F || fraction == 0) return sign | body | ((bit1 ? 0x3Full : 0ull) << 56);
    return normalise(sign, (uint64_t)fraction << 42, 52, 1009);
}

uint32_t ConvHPtoSP(uint16_t half)
{
    const uint32_t sign = (uint32_t)(half >> 15) << 31;
    const uint32_t field = (half >> 10) & 0x1F, fraction = half & 0x3FF;
    const uint32_t bit1 = (half >> 14) & 1;
    const uint32_t body = (bit1 << 30) | ((uint32_t)(half & 0x3FFF) << 13);
    if (field != 0 && field != 0x1F) return sign | body | ((bit1 ? 0u : 7u) << 27);
    if (field == 0x1F) return sign | body | (7u << 27) | (fraction ? 0x400000u : 0u);
    if (fraction == 0) return sign;
    return (uint32_t)normalise(sign, (uint64_t)fraction << 13, 23, 113);
}

uint16_t ConvDPtoHP(uint64_t dw, int mode, int flush)
{
    const uint32_t field = dp_field(dw);
    const uint16_t sign = (uint16_t)((dw >> 63) << 15);
    if ((dw & ~DP_SIGN) == 0 || field >= 1009)
        return (uint16_t)(sign | (((dw >> 62) & 1) << 14) | ((dw >> 42) & 0x3FFF));
    if (field >= 999) return (uint16_t)(sign | (((dw & DP_FRACTION) | DP_IMPLICIT) >> (1051 - field)));
    FP160 value;
    FP160_ConvertFromDP(&value, &dw, "ConvDPtoHP::tmp(undef)");
    return FP160_Convert16H(&value, mode, flush, 0, 0);
}

uint16_t ConvSPtoHP(uint32_t word, int mode, int flush)
{
    const uint32_t field = (word >> 23) & 0xFF;
    const uint16_t sign = (uint16_t)((word >> 31) << 15);
    if ((word & 0x7FFFFFFF) == 0 || field >= 113)
        return (uint16_t)(sign | (((word >> 30) & 1) << 14) | ((word >> 13) & 0x3FFF));
    if (field >= 103) return (uint16_t)(sign | (((word & 0x7FFFFF) | 0x800000) >> (126 - field)));
    FP160 value;
    FP160_VX_ConvertFromSP_Source(&value, word, 0, 0, "ConvSPtoHP::tmp(undef)");
    return FP160_Convert16H(&value, mode, flush, 0, 0);
}

int load_single_floating_point_number_host(void)
{
    return 0;
}
