// Hardware-exact estimates.
#include "fp/fp_estimate.h"

#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "fp/fp_deliver.h"
#include "fp/fp_estimate_tables.h"
#include "fp/fp_options.h"
#include "fp/fpscr.h"
#include "fp/fpscr_status.h"
#include "decode/instr_info.h"

namespace
{

constexpr uint64_t DP_SIGN = 1ull << 63;
constexpr uint64_t DP_FRACTION = 0xFFFFFFFFFFFFFull;
constexpr uint64_t DP_IMPLICIT = 1ull << 52;
constexpr uint64_t DP_INFINITY = 0x7FF0000000000000ull;
constexpr uint64_t DP_QUIET = 1ull << 51;
constexpr uint64_t DP_DEFAULT_NAN = 0x7FF8000000000000ull;

// A double's unbiased exponent and 52-bit fraction, denormals normalised.
void normalised(uint64_t x, int32_t *e, uint64_t *fraction)
{
    const uint32_t field = (uint32_t)(x >> 52) & 0x7FF;
    uint64_t f = x & DP_FRACTION;
    if (field != 0) {
        *e = (int32_t)field - 1023;
        *fraction = f;
        return;
    }
    int32_t exponent = -1022;
    while (!(f & DP_IMPLICIT)) {
        f <<= 1;
        exponent--;
    }
    *e = exponent;
    *fraction = f & DP_FRACTION;
}

// A single's biased exponent and 23-bit fraction, denormals normalised (the exponent counting down
// from 1).
void normalised_sp(uint32_t word, int32_t *biased, uint32_t *fraction)
{
    int32_t e = (int32_t)((word >> 23) & 0xFF);
    uint32_t f = word & 0x7FFFFF;
    if (e == 0 && f != 0) {
        e = 1;
        while (!(f & 0x800000)) {
            f <<= 1;
            e--;
        }
        f &= 0x7FFFFF;
    }
    *biased = e;
    *fraction = f;
}

// The same for a double's biased exponent.
void normalised_dp_biased(uint64_t word, int32_t *biased, uint64_t *fraction)
{
    int32_t e;
    normalised(word, &e, fraction);
    *biased = e + 1023;
}

inline bool vector_row(const IOPDesc *iop)
{
    return iop->row && (iop->row->class_flags & II_VMX);
}

// Whether the instruction rounding mode rounds this sign toward zero (an overflow then gives the
// largest finite number rather than infinity).
inline bool toward_zero(int mode, bool negative)
{
    return mode == FP_ROUND_ZERO || (mode == FP_ROUND_PLUS_INF && negative) ||
           (mode == FP_ROUND_MINUS_INF && !negative);
}

// A double with the given fields.
inline uint64_t make_dp(bool negative, uint64_t field, uint64_t fraction)
{
    return (negative ? DP_SIGN : 0) | ((field & 0x7FF) << 52) | (fraction & DP_FRACTION);
}

// The FP_RE_Cirn_LIKE reciprocal of a finite non-zero operand, into result.
void reciprocal_cirn(IOPDesc *iop, FP160 *result, bool negative, uint64_t x, int mode)
{
    int32_t e;
    uint64_t f;
    normalised(x, &e, &f);
    const uint32_t index = (uint32_t)(f >> 46), s = (uint32_t)(f >> 35) & 0x7FF;
    uint64_t est = ((uint64_t)fres_64x18_offset[index] * 128 - (uint64_t)fres_64x8_slope[index] * s) << 28;
    int32_t exponent = -e - 1;
    uint64_t bits;
    uint32_t mark = 0;
    if (exponent > 1023) {
        bits =
            toward_zero(mode, negative) ? make_dp(negative, 2046, DP_FRACTION) : make_dp(negative, 2047, 0);
        FPSCR_SetBit(iop, FPSCR_OX, 1);
        FPSCR_SetBit(iop, FPSCR_FI, 1);
        mark = FP160_EXC_OVERFLOW;
    } else if (exponent >= -1075 && exponent <= -1023) {
        int inexact = 0;
        FPEst_Round(negative, &exponent, &est, exponent + 1074, mode, &inexact);
        const int shift = -exponent - 1022;
        const uint64_t denormal = shift >= 64 ? 0 : est >> shift;
        bits = make_dp(negative, (denormal >> 52) & 1, denormal & 0xFFFFF00000000ull);
        if (inexact) {
            FPSCR_SetBit(iop, FPSCR_UX, 1);
            FPSCR_SetBit(iop, FPSCR_FI, 1);
            mark = FP160_EXC_UNDERFLOW;
        }
    } else {
        bits = make_dp(negative, (uint64_t)(exponent + 1023), est & 0xFFFFF00000000ull);
    }
    FP160_ConvertFromDP(result, &bits, "Meridu_RecipEst_DP::result");
    if (mark) FP160_Mark_Exception(result, mark, 0, "FPEst_Reciprocal", "fres round to double");
}

// The FP_RE_Dravo_LIKE reciprocal of a finite non-zero operand, into result.
void reciprocal_dravo(IOPDesc *iop, FP160 *result, bool negative, uint64_t x, int mode, int single)
{
    int32_t e;
    uint64_t f;
    normalised(x, &e, &f);
    int32_t o = 1022 - e;
    const uint32_t index = (uint32_t)(f >> 46), s = (uint32_t)(f >> 35) & 0x7FF;
    uint64_t t = ((uint64_t)fres_64x18_dravo_offset[index] * 128 - (uint64_t)fres_64x8_dravo_slope[index] * s)
                 << 28;
    t &= 0x1FFFFF00000000ull; // bits 32..52
    while (!(t & DP_IMPLICIT)) {
        t <<= 1;
        o--;
    }
    uint64_t fraction = t & DP_FRACTION;
    const bool kolm = FP_Option(iop, PO_FP_RE_Kolm_LIKE);
    const bool vector = vector_row(iop);
    const int32_t overflow_at = single ? 1151 : 2047, denormal_low = single ? 874 : -51,
                  denormal_high = single ? 897 : 1;
    const int32_t adjust = single ? 192 : 1536;
    int64_t field = o;
    int add_back = 0, take_back = 0;
    uint32_t mark = 0;
    const uint64_t f_now = iGET_FPSCR(iop);
    if (o >= overflow_at) {
        if ((f_now & FPSCR_OE) && !vector) {
            field = o - adjust;
            add_back = 1;
        } else if (toward_zero(mode, negative)) {
            field = single ? 1150 : 2046;
            fraction = DP_FRACTION;
        } else {
            field = 2047;
            fraction = 0;
        }
        FPSCR_SetBit(iop, FPSCR_OX, 1);
        if (kolm) FPSCR_SetBit(iop, FPSCR_FI, 1);
        mark = FP160_EXC_OVERFLOW;
    } else if (o >= denormal_low && o < denormal_high) {
        if ((f_now & FPSCR_UE) && !vector) {
            field = o + adjust;
            take_back = 1;
        } else if (single) {
            // The bits a single-precision denormal of this magnitude holds, counted with the
            // implicit bit among the estimate's 21.
            const int kept = 21 - (897 - o) - 1;
            fraction = kept <= 0 ? 0 : fraction & ~((1ull << (52 - kept)) - 1);
        } else {
            const uint64_t denormal = (fraction | DP_IMPLICIT) >> (1 - o);
            field = (int64_t)((denormal >> 52) & 1);
            fraction = denormal & DP_FRACTION;
            if (kolm) {
                FPSCR_SetBit(iop, FPSCR_UX, 1);
                FPSCR_SetBit(iop, FPSCR_FI, 1);
                mark = FP160_EXC_UNDERFLOW;
            }
        }
    } else if (o < denormal_low) {
        if ((f_now & FPSCR_UE) && !vector) {
            field = o + adjust;
            take_back = 1;
        } else {
            field = single ? 897 : 1;
            fraction = 0;
        }
        FPSCR_SetBit(iop, FPSCR_UX, 1);
        if (kolm) FPSCR_SetBit(iop, FPSCR_FI, 1);
        mark = FP160_EXC_UNDERFLOW;
    }
    fraction &= single ? 0xFFFFFE0000000ull : 0xFFFFFC0000000ull;
    const uint64_t bits = make_dp(negative, (uint64_t)field, fraction);
    FP160_ConvertFromDP(result, &bits, "Vrill_RecipEst_DualP::result");
    FP_Store(result, add_back, take_back);
    if (mark) FP160_Mark_Exception(result, mark, 0, "FPEst_Reciprocal", "fres round to double");
    if (single) result->src_format = FP_FORMAT_SP;
}

// The default table-only reciprocal of a finite non-zero operand, into result.
void reciprocal_default(FP160 *result, bool negative, uint64_t x)
{
    int32_t e;
    uint64_t f;
    normalised(x, &e, &f);
    const int32_t field = 1022 - e;
    uint64_t fraction = (uint64_t)fres_table[f >> 45] << 40;
    uint64_t bits;
    if (field >= 2047) {
        bits = make_dp(negative, 2047, 0);
    } else if (field < 0) {
        bits = make_dp(negative, 0, -field >= 64 ? 0 : fraction >> -field);
    } else {
        bits = make_dp(negative, (uint64_t)field, fraction);
    }
    FP160_ConvertFromDP(result, &bits, "DP_Reciprocal_Estimate_128x12::result");
}

// Keeps what a single-precision result in double format holds: 23 fraction bits, fewer in the
// single denormal range.
uint64_t cut_to_single(uint64_t dw)
{
    const uint32_t field = (uint32_t)(dw >> 52) & 0x7FF;
    if (field > 896) return dw & ~((1ull << 29) - 1);
    const int kept = 23 - (897 - (int)field);
    const uint64_t fraction_mask = kept <= 0 ? 0 : (DP_FRACTION & ~((1ull << (52 - kept)) - 1));
    return dw & (DP_SIGN | (0x7FFull << 52) | fraction_mask);
}

} // namespace

int FPEst_Reciprocal(IOPDesc *iop, const uint64_t *operand, uint64_t *out, uint32_t *flags_out, int single,
                     const char *label)
{
    FP160 result;
    FP160_Init(&result, label);
    result.src_format = FP_FORMAT_DP;
    const uint64_t x = *operand;
    const bool negative = (x & DP_SIGN) != 0;
    const uint32_t n = (uint32_t)(x >> 52) & 0x7FF;
    const uint64_t f = x & DP_FRACTION;
    const int mode = IOP_FP_Rounding_Mode(iop);
    if (n == 0 && f == 0) {
        const uint64_t bits = (x & DP_SIGN) | DP_INFINITY;
        FP160_ConvertFromDP(&result, &bits, "FPEst_Reciprocal::op_B(zero)");
        FP160_Mark_Exception(&result, FP160_EXC_ZERO_DIVIDE, 0, "FPEst_Reciprocal",
                             "Attempt to perform reciprocal of zero value");
    } else if (n == 0x7FF && f != 0) {
        const uint64_t bits = x | DP_QUIET;
        FP160_ConvertFromDP(&result, &bits, "FPEst_Reciprocal::op_B(NaN)");
        if (f & DP_QUIET)
            FP160_Mark_Exception(&result, FP160_EXC_QNAN, 0, "FPEst_Reciprocal", "QNaN operand");
        else
            FP160_Mark_Exception(&result, FP160_EXC_SNAN, 0, "FPEst_Reciprocal", "SNaN operand");
    } else if (n == 0x7FF ||
               (single && n > 1150 && FP_Option(iop, PO_FRES_FRSQRTES_OUT_OF_SP_RANGE_SUPPORTED))) {
        const uint64_t bits = x & DP_SIGN;
        FP160_ConvertFromDP(&result, &bits, "FPEst_Reciprocal::op_B(INF)");
    } else if (FP_Option(iop, PO_FP_RE_Cirn_LIKE)) {
        reciprocal_cirn(iop, &result, negative, x, mode);
    } else if (FP_Option(iop, PO_FP_RE_Dravo_LIKE)) {
        reciprocal_dravo(iop, &result, negative, x, mode, single);
    } else {
        reciprocal_default(&result, negative, x);
    }

    int delivered;
    if (FP_Option(iop, PO_FP_RE_SP_DONE)) {
        delivered = FP_Convert_ExceptionHandler64(iop, &result, out, 0, mode);
        if (single) {
            *out = cut_to_single(*out);
            if (delivered) Set_DBL_FPSCR_FPRF_Bits(iop, out, 1);
        }
    } else if (single) {
        delivered = FP160_Convert_to_32_as_DW(iop, &result, out, 0, mode);
    } else {
        delivered = FP_Convert_ExceptionHandler64(iop, &result, out, 0, mode);
    }
    *flags_out = result.exceptions;
    return delivered;
}

int FPEst_RecipSqrt(IOPDesc *iop, const uint64_t *operand, uint64_t *out, uint32_t *flags_out, int single,
                    const char *label)
{
    FP160 result;
    FP160_Init(&result, label);
    result.src_format = FP_FORMAT_DP;
    const uint64_t x = *operand;
    const bool negative = (x & DP_SIGN) != 0;
    const uint32_t n = (uint32_t)(x >> 52) & 0x7FF;
    const uint64_t f = x & DP_FRACTION;
    const int mode = IOP_FP_Rounding_Mode(iop);
    const bool beyond_single =
        single && n > 1150 && FP_Option(iop, PO_FRES_FRSQRTES_OUT_OF_SP_RANGE_SUPPORTED);
    if (n == 0 && f == 0) {
        const uint64_t bits = (x & DP_SIGN) | DP_INFINITY;
        FP160_ConvertFromDP(&result, &bits, "frsqrte::op_B(zero)");
        FP160_Mark_Exception(&result, FP160_EXC_ZERO_DIVIDE, 0, "FPEst_RecipSqrt",
                             "Attempt to perform reciprocal of zero value");
    } else if (n == 0x7FF && f != 0) {
        uint64_t bits = x | DP_QUIET;
        if (single) bits &= ~((1ull << 29) - 1);
        FP160_ConvertFromDP(&result, &bits, "frsqrte::op_B(NaN)");
        if (f & DP_QUIET)
            FP160_Mark_Exception(&result, FP160_EXC_QNAN, 0, "FPEst_RecipSqrt", "QNaN operand");
        else
            FP160_Mark_Exception(&result, FP160_EXC_SNAN, 0, "FPEst_RecipSqrt", "SNaN operand");
    } else if (n == 0x7FF || beyond_single) {
        if (negative) {
            FP160_ConvertFromDP(&result, &DP_DEFAULT_NAN, "frsqrte::op_B(INF)");
            FPSCR_SetBit(iop, FPSCR_VXSQRT, 1);
            FP160_Mark_Exception(&result, FP160_EXC_INVALID, FP160_INV_SQRT_NEG_INF, "FPEst_RecipSqrt",
                                 "Attempt to perform sqrt(-INF)");
        } else {
            const uint64_t zero = 0;
            FP160_ConvertFromDP(&result, &zero, "frsqrte::op_B(INF)");
        }
    } else if (negative) {
        FP160_ConvertFromDP(&result, &DP_DEFAULT_NAN, "frsqrte::op_B(neg)");
        FPSCR_SetBit(iop, FPSCR_VXSQRT, 1);
        FP160_Mark_Exception(&result, FP160_EXC_INVALID, FP160_INV_SQRT_NEG, "FPEst_RecipSqrt",
                             "Attempt to perform sqrt(negative)");
    } else {
        int32_t e;
        uint64_t fraction;
        normalised(x, &e, &fraction);
        const uint32_t odd = (uint32_t)e & 1;
        const uint64_t field = (uint64_t)(1022 - (e >> 1));
        uint64_t estimate;
        if (FP_Option(iop, PO_FP_RE_Cirn_LIKE) || FP_Option(iop, PO_FP_RE_Dravo_LIKE)) {
            const uint32_t index = odd * 64 + (uint32_t)(fraction >> 46),
                           s = (uint32_t)(fraction >> 35) & 0x7FF;
            const uint64_t offset = frsqrte_2x64x18_offset[index], slope = frsqrte_2x64x8_slope[index];
            const uint64_t v = odd ? offset * 1024 - slope * s : offset * 128 - slope * s;
            estimate = ((odd ? v >> 5 : v >> 4) & 0xFFFFF) << 32;
        } else {
            estimate = (uint64_t)frsqrte_table[odd * 8 + (uint32_t)(fraction >> 49)] << 44;
        }
        const uint64_t bits = make_dp(false, field, estimate);
        FP160_ConvertFromDP(&result, &bits, "frsqrte::result");
    }
    const int delivered = single ? FP160_Convert_to_32_as_DW(iop, &result, out, 0, mode)
                                 : FP_Convert_ExceptionHandler64(iop, &result, out, 0, mode);
    if (FP_Option(iop, PO_FP_RECIP_EST_CLEARS_FR_FI)) FPSCR_SetBit(iop, FPSCR_FI | FPSCR_FR, 0);
    *flags_out = result.exceptions;
    return delivered;
}

void FPEst_Round(int sign, int32_t *exponent, uint64_t *fraction, int kept, int mode, int *inexact)
{
    int p = 52 - kept;
    if (p <= 0) return;
    if (p > 53) p = 53; // every bit of the significand lies below the kept position
    const uint64_t dropped = *fraction & ((1ull << p) - 1);
    uint64_t truncated = *fraction - dropped;
    if (dropped == 0) return;
    *inexact = 1;
    bool up;
    switch (mode) {
    case FP_ROUND_NEAREST: {
        const uint64_t half = 1ull << (p - 1);
        up = dropped > half || (dropped == half && ((truncated >> p) & 1));
        break;
    }
    case FP_ROUND_PLUS_INF:
        up = sign == 0;
        break;
    case FP_ROUND_MINUS_INF:
        up = sign != 0;
        break;
    default:
        up = false;
        break;
    }
    if (up) {
        truncated += 1ull << p;
        if (truncated >> 53) {
            truncated >>= 1;
            *exponent += 1;
        }
    }
    *fraction = truncated;
}

void Adjust_For_Floating_Point_Estimate_Precision(ThreadState *thread, uint64_t *value, uint64_t *mask)
{
    const int b = 51 - thread->processor->fp_estimate_precision;
    if (b <= 0) {
        *mask = 0;
    } else if (b >= 64) {
        *mask = ~0ull;
        *value = 0;
    } else {
        *mask = (1ull << b) - 1;
        *value &= ~*mask;
    }
}

uint32_t FP160_Reciprocal_Estimate_SP(uint32_t word, FP160 *value)
{
    FP160_Init(value, "FP160_Reciprocal_Estimate_SP::result");
    value->src_format = FP_FORMAT_SP;
    int32_t e;
    uint32_t f;
    normalised_sp(word, &e, &f);
    const uint32_t index = f >> 18, s = (f >> 8) & 0x3FF;
    const uint64_t g = (uint64_t)fres_32x15_offset[index] * 1024 - (uint64_t)fres_32x10_slope[index] * s;
    const int32_t d = 253 - e;
    value->sign = (int32_t)(word >> 31);
    value->exponent = FP160_SP_OFFSET + (uint32_t)d;
    // The estimate's leading bit is bit 24 of g; near x = 2 it falls below, and normalising keeps
    // the value right.
    value->sig_hi = g << 38;
    FP160_Normalize(value);
    if (d > 254)
        FP160_Mark_Exception(value, FP160_EXC_OVERFLOW, 0, "FP160_Reciprocal_Estimate_SP",
                             "Exponent (%d) greater than SP maximum", d);
    return (uint32_t)(g & 1);
}

uint32_t FP160_Reciprocal_Estimate_DP(uint64_t word, FP160 *value)
{
    FP160_Init(value, "FP160_Reciprocal_Estimate_DP::result");
    value->src_format = FP_FORMAT_DP;
    int32_t e;
    uint64_t f;
    normalised_dp_biased(word, &e, &f);
    const uint32_t index = (uint32_t)(f >> 47), s = (uint32_t)(f >> 37) & 0x3FF;
    const uint64_t h =
        ((uint64_t)fres_32x15_offset[index] << 38) - (((uint64_t)fres_32x10_slope[index] * s) << 28);
    const int32_t d = 2045 - e;
    value->sign = (int32_t)(word >> 63);
    value->exponent = FP160_DP_OFFSET + (uint32_t)d;
    value->sig_hi = (h & ~((1ull << 29) - 1)) << 10; // bits 29..52, the leading one on the integer bit
    FP160_Normalize(value);
    if (d > 2046)
        FP160_Mark_Exception(value, FP160_EXC_OVERFLOW, 0, "FP160_Reciprocal_Estimate_DP",
                             "Exponent (%d) greater than DP maximum", d);
    return (uint32_t)((h >> 28) & 1);
}

uint32_t FP160_Reciprocal_Sqrt_Estimate_SP(uint32_t word, FP160 *value)
{
    FP160_Init(value, "FP160_Reciprocal_Sqrt_Estimate_SP::result");
    value->src_format = FP_FORMAT_SP;
    int32_t e;
    uint32_t f;
    normalised_sp(word, &e, &f);
    const uint32_t odd = (uint32_t)e & 1;
    const uint32_t index = odd * 16 + (f >> 19), s = (f >> 8) & 0x7FF;
    const uint64_t l =
        (uint64_t)frsqrte_2x16x16_offset[index] * 2048 - (uint64_t)frsqrte_2x16x11_slope[index] * s;
    const int shift = odd ? 2 : 3;
    value->exponent = (uint32_t)(63 - (e + 1) / 2) + FP160_BIAS;
    value->sig_hi = (l >> shift) << 39;
    FP160_Normalize(value);
    return (l & ((1u << shift) - 1)) ? 1 : 0;
}

uint32_t FP160_Reciprocal_Sqrt_Estimate_DP(uint64_t word, FP160 *value, int single)
{
    FP160_Init(value, "FP160_Reciprocal_Sqrt_Estimate_DP::result");
    value->src_format = FP_FORMAT_DP;
    int32_t e;
    uint64_t f;
    normalised_dp_biased(word, &e, &f);
    const uint32_t odd = (uint32_t)e & 1;
    const uint32_t index = odd * 16 + (uint32_t)(f >> 48), s = (uint32_t)(f >> 37) & 0x7FF;
    const uint64_t l = ((uint64_t)frsqrte_2x16x16_offset[index] << 40) -
                       (((uint64_t)frsqrte_2x16x11_slope[index] * s) << 29);
    const int shift = odd ? 2 : 3;
    uint64_t significand = l >> shift;
    if (single) significand &= ~((1ull << 29) - 1);
    value->exponent = (uint32_t)(511 - (e + 1) / 2) + FP160_BIAS;
    value->sig_hi = significand << 10;
    FP160_Normalize(value);
    return (l & ((1ull << shift) - 1)) ? 1 : 0;
}

uint32_t log2e(uint32_t word)
{
    int32_t biased;
    uint32_t f;
    normalised_sp(word & 0x7FFFFFFF, &biased, &f);
    const int32_t c = biased - 127;
    const int32_t k = (int32_t)(f >> 13), E = (int32_t)(f >> 12);
    int32_t correction;
    if (k < 64)
        correction = k;
    else if (k < 192)
        correction = 64 + (k - 64) / 2;
    else if (k < 384)
        correction = 128 + (k - 192) / 4;
    else if (k < 576)
        correction = 176;
    else if (k < 768)
        correction = 175 - (k - 576) / 4;
    else
        correction = 127 - (k - 768) / 2;
    // c + (E + correction) / 2048, exactly, as a single-precision word.
    const int32_t n = c * 2048 + E + correction;
    if (n == 0) return 0;
    const uint32_t sign = n < 0 ? 0x80000000u : 0;
    uint32_t magnitude = (uint32_t)(n < 0 ? -n : n);
    int32_t exponent = 127 - 11 + 23; // magnitude * 2^-11 with the leading bit at bit 23
    while (!(magnitude & 0x800000)) {
        magnitude <<= 1;
        exponent--;
    }
    return sign | ((uint32_t)exponent << 23) | (magnitude & 0x7FFFFF);
}

uint32_t FP_Compute_LOGES(uint32_t word, int graph)
{
    const uint32_t field = (word >> 23) & 0xFF, fraction = word & 0x7FFFFF;
    if (graph) {
        if ((word & 0x7FFFFFFF) == 0) return 0xFFFFFFFF;
        return log2e(word);
    }
    if ((word & 0x7FFFFFFF) == 0) return 0xFF800000;
    if (field == 0xFF && fraction != 0) return word | 0x400000;
    if (word >> 31) return 0x7FC00000;
    if (field == 0xFF) return word;
    return log2e(word);
}

uint32_t FP_Compute_EXPTES(uint32_t word, int graph)
{
    const uint32_t field = (word >> 23) & 0xFF, fraction = word & 0x7FFFFF;
    const bool negative = (word >> 31) != 0;
    if ((word & 0x7FFFFFFF) == 0) return 0x3F800000;
    if (!graph && field == 0xFF) {
        if (fraction != 0) return word | 0x400000;
        return negative ? 0 : 0x7F800000;
    }
    const int32_t e = (int32_t)field - 127;
    if (!negative && e > 6) return 0x7F800000;
    if (negative && e > 7) return 0;
    if (e < -15) return 0x3F800000;
    // |x| in fixed point with 15 fraction bits, negated for a negative x.
    uint64_t m = (uint64_t)(fraction | 0x800000);
    m = e >= 0 ? m << e : m >> -e;
    m >>= 8;
    if (negative) m = (1ull << 24) - m;
    int32_t I = (int32_t)((m >> 15) & 0x1FF);
    if (I & 0x100) I -= 0x200;
    const int32_t E = (int32_t)((m >> 4) & 0x7FF);
    const int32_t w = (I + 255) & 0x1FF;
    if (w == 511 || w < 106) return 0;
    if (w > 382) return 0x7F800000;
    int32_t correction;
    if (E < 512)
        correction = E / 4;
    else if (E < 896)
        correction = 128 + (E - 512) / 8;
    else if (E < 1280)
        correction = 176;
    else if (E < 1664)
        correction = 175 - (E - 1280) / 8;
    else if (E < 1920)
        correction = 127 - (E - 1664) / 4;
    else
        correction = 63 - (E - 1920) / 2;
    const uint32_t F = (uint32_t)(E - correction);
    if (w <= 128) {
        // A single denormal: the significand shifted right, rounded to nearest even.
        const int shift = 129 - w;
        const uint32_t significand = 0x800000u | (F << 12);
        uint32_t result = significand >> shift;
        const uint32_t guard = (significand >> (shift - 1)) & 1;
        const bool sticky = (significand & ((1u << (shift - 1)) - 1)) != 0;
        if (guard && (sticky || (result & 1))) result += 1;
        return result;
    }
    return ((uint32_t)(I + 127) << 23) | (F << 12);
}
