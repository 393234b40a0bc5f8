// The estimate emulation cores (fre, fres, frsqrte, frsqrtes, fexptes, floges) and the bit-exact
// single-precision reciprocal and reciprocal-square-root estimates of the vector unit.
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "fp/fp_deliver.h"
#include "fp/fp_emul.h"
#include "fp/fp_emul_common.h"
#include "fp/fp_estimate.h"
#include "fp/fp_estimate_tables.h"
#include "fp/fp_options.h"
#include "fp/fpscr.h"
#include "fp/fpscr_status.h"
#include "runtime/message.h"

namespace
{

inline int RN(IOPDesc *iop)
{
    return IOP_FP_Rounding_Mode(iop);
}

inline bool dp_is_quiet_nan(uint64_t d)
{
    return (d & 0x7FF8000000000000ull) == 0x7FF8000000000000ull;
}

// The default NaN of a single-precision estimate whose operand is out of single range (with option
// SP_OPS_WITH_DP_EXPO_OUT_OF_RANGE_RETURN_DEFAULT_NAN): FPRF from it, FI and FR cleared.
uint64_t out_of_range_nan(IOPDesc *iop)
{
    const uint64_t nan = FP_DEFAULT_QNAN;
    Set_DBL_FPSCR_FPRF_Bits(iop, &nan, 1);
    FPSCR_SetBit(iop, FPSCR_FI | FPSCR_FR, 0);
    return nan;
}

// Rounds the value's significand to single precision toward zero; the rounded unbiased exponent
// and the 23-bit fraction.
void round_to_single(FP160 *v, const char *routine, int32_t u, int32_t *e, uint32_t *fraction)
{
    int32_t biased = 0;
    uint64_t f = 0;
    FP160_RoundSignificand(v, FP_ROUND_ZERO, FP_FORMAT_SP, &biased, &f, 0);
    *e = biased - 127;
    *fraction = (uint32_t)f & 0x7FFFFF;
    if (*e != u)
        sim_do_warning(2, "%s: unexpected misscompare of unbiased exp (%d) and new biased exp (%d).", routine, u,
                       biased);
}

// The 2^x estimate of a finite non-zero value with unbiased exponent u (-125 <= u < 7).
uint32_t exptes_estimate(FP160 *v, int32_t u)
{
    int32_t e;
    uint32_t fraction;
    round_to_single(v, "core_fexptes_emul", u, &e, &fraction);
    // x as a fixed-point number with 23 fraction bits, truncated to a multiple of 2^-11.
    const uint32_t m = fraction | 0x800000;
    uint32_t x = 0;
    if (e < 0)
        x = -e > 24 ? 0 : (m >> -e) & 0xFFFFF000u;
    else
        x = e < 32 ? (m << e) & 0xFFFFF000u : 0;
    if (v->sign) x = (uint32_t)-(int32_t)x;
    const uint32_t t = x & 0x7FFFFF;
    const uint32_t k = t >> 19;
    int32_t c;
    if (k <= 3)
        c = -(int32_t)((t >> 14) & 0xFF);
    else if (k <= 6)
        c = -64 - (int32_t)((t >> 15) & 0x7F);
    else if (k <= 9)
        c = -176;
    else if (k <= 12)
        c = -80 - (int32_t)(~(t >> 15) & 0x7F);
    else if (k <= 14)
        c = -32 - (int32_t)(~(t >> 14) & 0xFF);
    else
        c = -(int32_t)((t ^ 0x7FE000) >> 13);
    const uint32_t mantissa = (uint32_t)(c + (int32_t)(t >> 12)) << 12;
    const uint32_t exponent = (uint32_t)((((int32_t)x >> 23) + 127) & 0xFF) << 23;
    return mantissa | exponent;
}

uint32_t fexptes_word(FP160 *v)
{
    if (FP160_Is_NaN(v)) return 0x7FC00000;
    if (FP160_Is_Infinity(v)) return v->sign ? 0 : 0x7F800000;
    if (FP160_Is_Zero(v)) return 0x3F800000;
    const int32_t u = (int32_t)((int64_t)v->exponent - (int64_t)FP160_BIAS);
    if (v->sign && u >= 7) return 0;
    if (u < -125) return 0x3F800000;
    if (u >= 7) return 0x7F800000;
    return exptes_estimate(v, u);
}

uint32_t floges_word(FP160 *v)
{
    if (FP160_Is_NaN(v)) return 0x7FC00000;
    if (FP160_Is_Infinity(v)) return v->sign ? 0x7FC00000 : 0x7F800000;
    if (FP160_Is_Zero(v)) return 0xFF800000;
    const int32_t u = (int32_t)((int64_t)v->exponent - (int64_t)FP160_BIAS);
    if (v->sign) return u > -127 ? 0x7FC00000 : 0xFF800000;
    if (u <= -127) return 0xFF800000;
    if (u >= 128) return 0x7F800000;
    int32_t e;
    uint32_t fraction;
    round_to_single(v, "core_floges_emul", u, &e, &fraction);
    return log2e((uint32_t)(e + 127) << 23 | fraction) & ~0xFu;
}

// fexptes and floges: FPSCR changes land in a cache that is dropped at the end.
int graphics_estimate(IOPDesc *iop, uint32_t (*estimate)(FP160 *), const char *trace, const char *label,
                      const char *result_label)
{
    iop->fpscr_cache_on = 0;
    const uint64_t f = iGET_FPSCR(iop);
    iop->fpscr_cache = f;
    iop->fpscr_saved = f;
    iop->fpscr_cache_on = 1;

    const uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, trace, 1, b);
    FP160 v;
    FP160_ConvertFromDP(&v, &b, label);
    const uint32_t s = estimate(&v);
    FP160 r;
    FP160_VX_ConvertFromSP_Source(&r, s, 0, 0, result_label);
    uint64_t out = 0;
    FP_Convert_ExceptionHandler64(iop, &r, &out, 0, RN(iop));

    if (!iop->fpscr_cache_on)
        sim_do_error(__FILE__, __LINE__, "FPSCR: SET_FPSCR_FROM_CACHE: Not cached to iop!");
    iop->fpscr_cache_on = 0; // FPSCR keeps the value it had before the instruction
    FP_Write_FRT(iop, out);
    FP_Emul_Trace(iop, trace, 1, out);
    return 1;
}

} // namespace

int core_fre_emul(IOPDesc *iop)
{
    if (!FP_Option(iop, PO_OPTIONAL_FLOATING_POINT_SUPPORTED)) return FP_Emul_Illegal(iop, 2, "fre");
    const uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, "FRE", 1, b);
    uint64_t out = 0, mask = 0;
    uint32_t flags = 0;
    const int allowed = FPEst_Reciprocal(iop, &b, &out, &flags, 0, "fre");
    FPSCR_SetBit(iop, FPSCR_XX | FPSCR_FR | FPSCR_FI, 0);
    Adjust_For_Floating_Point_Estimate_Precision(iop->thread, &out, &mask);
    FPSCR_Recompute_VX_FEX(iop);
    if (allowed) FP_Write_FRT(iop, out);
    FP_Emul_Trace(iop, "FRE", 1, out);
    return 1;
}

int core_frsqrte_emul(IOPDesc *iop)
{
    if (!FP_Option(iop, PO_OPTIONAL_FLOATING_POINT_SUPPORTED)) return FP_Emul_Illegal(iop, 3, "frsqrte");
    const uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, "FRSQRTE", 1, b);
    uint64_t out = 0, mask = 0;
    uint32_t flags = 0;
    const int allowed = FPEst_RecipSqrt(iop, &b, &out, &flags, 0, "frsqrte");
    Adjust_For_Floating_Point_Estimate_Precision(iop->thread, &out, &mask);
    FPSCR_Recompute_VX_FEX(iop);
    if (allowed) FP_Write_FRT(iop, out);
    FP_Emul_Trace(iop, "FRSQRTE", 1, out);
    return 1;
}

int core_fres_emul(IOPDesc *iop)
{
    if (!FP_Option(iop, PO_OPTIONAL_FLOATING_POINT_SUPPORTED)) return FP_Emul_Illegal(iop, 5, "fres");
    uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, "FRES", 1, b);
    uint64_t out = 0, mask = 0;
    uint32_t flags = 0;
    int allowed;
    bool estimate = true;
    if (!Representable_As_Single_FP(iop->thread, b)) {
        if (FP_Option(iop, PO_SQUISH_DP_INTO_SP)) {
            b = Adjust_to_SP(iop, b);
        } else {
            estimate = false;
            allowed = FP_Option(iop, PO_SP_OPS_WITH_DP_EXPO_OUT_OF_RANGE_RETURN_DEFAULT_NAN) ? 1 : 0;
            if (allowed) out = out_of_range_nan(iop);
        }
    }
    if (estimate) {
        allowed = FPEst_Reciprocal(iop, &b, &out, &flags, 1, "fres");
        if (FP_Option(iop, PO_KolmQNAN_MASK) && dp_is_quiet_nan(out)) out &= ~0x1FFFFFFFull;
        FPSCR_SetBit(iop, FPSCR_XX | FPSCR_FR | FPSCR_FI, 0);
    }
    Adjust_For_Floating_Point_Estimate_Precision(iop->thread, &out, &mask);
    if (allowed) {
        FP_Write_FRT(iop, out);
        FP_Emul_Dump_After_Write(iop);
    }
    FP_Emul_Trace(iop, "FRES", 1, out);
    return 1;
}

int core_frsqrtes_emul(IOPDesc *iop)
{
    if (!FP_Option(iop, PO_OPTIONAL_FLOATING_POINT_SUPPORTED)) return FP_Emul_Illegal(iop, 3, "frsqrtes");
    const uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, "FRSQRTES", 1, b);
    uint64_t out = 0, mask = 0;
    uint32_t flags = 0;
    int allowed;
    if (Representable_As_Single_FP(iop->thread, b)) {
        allowed = FPEst_RecipSqrt(iop, &b, &out, &flags, 1, "frsqrtes");
        Adjust_For_Floating_Point_Estimate_Precision(iop->thread, &out, &mask);
    } else {
        allowed = FP_Option(iop, PO_SP_OPS_WITH_DP_EXPO_OUT_OF_RANGE_RETURN_DEFAULT_NAN) ? 1 : 0;
        if (allowed) out = out_of_range_nan(iop);
    }
    FPSCR_Recompute_VX_FEX(iop);
    if (allowed) {
        FP_Write_FRT(iop, out);
        FP_Emul_Dump_After_Write(iop);
    }
    FP_Emul_Trace(iop, "FRSQRTES", 1, out);
    return 1;
}

int core_fexptes_emul(IOPDesc *iop)
{
    return graphics_estimate(iop, fexptes_word, "FEXPTES", "fexptes::op_B", "fexptes::result");
}

int core_floges_emul(IOPDesc *iop)
{
    return graphics_estimate(iop, floges_word, "FLOGES", "floges::op_B", "floges::result");
}

uint32_t one_over_x(uint32_t word)
{
    const uint32_t sign = word & 0x80000000u;
    const int32_t e = (int32_t)((word >> 23) & 0xFF);
    uint32_t f = word & 0x7FFFFF;
    int32_t n;
    const bool denormal = e == 0;
    if (!denormal) {
        n = 253 - e - (e >= 253 ? 1 : 0);
    } else {
        int32_t k = 0;
        while (!(f & 0x800000)) {
            f <<= 1;
            k++;
        }
        n = 252 + k;
    }
    const uint32_t i = (f >> 18) & 0x1F, j = (f >> 9) & 0x1FF;
    uint32_t r = (uint32_t)fres_32x15_offset[i] * 512 - (uint32_t)fres_32x10_slope[i] * j;
    if (denormal && n > 254) return sign | 0x7F800000u;
    if (n <= 0) {
        const int32_t d = -n;
        if (d > 0) {
            const uint32_t round = d - 1 > 31 ? 0 : (r >> (d - 1)) & 1;
            const uint32_t sticky = d - 1 > 31 || d == 1 ? 0 : (r & ((1u << (d - 1)) - 1)) != 0;
            r = d > 31 ? 0 : r >> d;
            if (d - 1 <= 31 && round && (sticky || (r & 1))) r++;
        }
        return sign | (r & 0x7FFFFF);
    }
    while (!(r & 0x800000) && n > 0) {
        r <<= 1;
        n--;
    }
    return sign | ((uint32_t)n << 23) | (r & 0x7FFFFF);
}

uint32_t one_over_sqrt_x(uint32_t word)
{
    const bool negative = (word >> 31) != 0;
    const uint32_t magnitude = word & 0x7FFFFFFF;
    if (magnitude == 0x7F800000) return negative ? 0x7FC00000 : 0;
    if (magnitude > 0x7F800000) return word | 0x400000;
    if (magnitude == 0) return negative ? 0xFF800000 : 0x7F800000;
    if (negative) return 0x7FC00000;
    int32_t e = (int32_t)((word >> 23) & 0xFF) - 127;
    uint32_t f = word & 0x7FFFFF;
    if (e == -127) { // denormal
        int32_t k = 0;
        while (!(f & 0x800000)) {
            f <<= 1;
            k++;
        }
        e = -126 - k;
        f &= 0x7FFFFF;
    }
    const uint32_t i = (uint32_t)((e + 127) & 1) * 16 + (f >> 19);
    const uint32_t j = (f >> 9) & 0x3FF;
    uint32_t r = (uint32_t)frsqrte_2x16x16_offset[i] * 1024 - (uint32_t)frsqrte_2x16x11_slope[i] * j;
    int32_t n = (-e) >> 1;
    while (!(r & 0x2000000)) {
        r <<= 1;
        n--;
    }
    if ((r & 2) && (r & 5)) r += 4;
    if (n < -127) return 0;
    if (n == -127 && f != 0) return 0;
    return (uint32_t)(n + 127) << 23 | ((r >> 2) & 0x7FFFFF);
}
