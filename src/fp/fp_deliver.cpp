// Result delivery with FPSCR status.
#include "fp/fp_deliver.h"

#include "fp/fp160_bits.h"
#include "fp/fp160_round.h"
#include "fp/fp_options.h"
#include "fp/format_convert.h"
#include "fp/fpscr.h"
#include "fp/fpscr_status.h"
#include "decode/instr_info.h"
#include "runtime/message.h"

namespace
{

constexpr uint32_t ROUNDING_FLAGS = FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP;
constexpr uint32_t NAN_FLAGS = FP160_EXC_QNAN | FP160_EXC_SNAN;

inline bool row_divides(const IOPDesc *iop)
{
    return iop->row && (iop->row->attributes & II_ATTR_DIVIDE_OR_SQRT);
}
inline bool row_class(const IOPDesc *iop, uint64_t flag)
{
    return iop->row && (iop->row->class_flags & flag);
}

// The value's flags take part in F: all ORed in, the round-up flag taken from the value.
inline uint32_t merge_flags(uint32_t f, const FP160 *value)
{
    return (f & ~(uint32_t)FP160_EXC_ROUNDED_UP) | value->exceptions;
}

// Sets the value's inexact flag to the sticky bit and clears its round-up flag for a re-rounding.
inline void prepare_reround(FP160 *value, bool sticky)
{
    value->exceptions = (value->exceptions & ~ROUNDING_FLAGS) | (sticky ? (uint32_t)FP160_EXC_INEXACT : 0u);
}

// The infinity-or-largest choice of an overflow with OE clear: true for the largest finite.
inline bool rounds_to_largest(int mode, bool negative)
{
    return mode == FP_ROUND_ZERO || mode == FP_ROUND_ODD || (mode == FP_ROUND_PLUS_INF && negative) ||
           (mode == FP_ROUND_MINUS_INF && !negative);
}

// The NaN and invalid-operation steps shared by every member: VXSNAN, the VX detail bits, the
// suppression under VE. F loses its rounding flags on an invalid operation.
void nan_and_invalid(IOPDesc *iop, uint32_t *F, uint32_t detail, int *negate, int *result, bool *fprf)
{
    if (*F & FP160_EXC_QNAN) *negate = 0;
    if (*F & FP160_EXC_SNAN) {
        FPSCR_SetBit(iop, FPSCR_VXSNAN, 1);
        *negate = 0;
        if (iGET_FPSCR(iop) & FPSCR_VE) {
            *result = 0;
            *fprf = false;
        }
    }
    if (*F & FP160_EXC_INVALID) {
        if (detail & FP160_INV_INF_MINUS_INF) FPSCR_SetBit(iop, FPSCR_VXISI, 1);
        if (detail & FP160_INV_INF_DIV_INF) FPSCR_SetBit(iop, FPSCR_VXIDI, 1);
        if (detail & FP160_INV_ZERO_DIV_ZERO) FPSCR_SetBit(iop, FPSCR_VXZDZ, 1);
        if (detail & FP160_INV_ZERO_TIMES_INF) FPSCR_SetBit(iop, FPSCR_VXIMZ, 1);
        if (detail & (FP160_INV_SQRT_NEG | FP160_INV_SQRT_NEG_INF)) FPSCR_SetBit(iop, FPSCR_VXSQRT, 1);
        if (detail & ~0x3FEu) sim_do_warning(1, "1: FPInvOp: Unknown Exception Description: 0x%08X", detail);
        *F &= ~ROUNDING_FLAGS;
        *negate = 0;
        if (iGET_FPSCR(iop) & FPSCR_VE) {
            *result = 0;
            *fprf = false;
        }
    }
}

// The stored formats of the members that deliver in their own format.
struct DoubleFormat {
    using Out = uint64_t;
    static constexpr uint32_t adjust = 1536;
    static constexpr uint32_t denormal_base = FP160_DP_OFFSET;
    static void convert(FP160 *v, int mode, Out *out) { FP160_Convert64(v, mode, out, 3); }
    static Out infinity(bool negative) { return (negative ? 1ull << 63 : 0) | 0x7FF0000000000000ull; }
    static Out largest(const FP160 *v, bool negative)
    {
        const uint64_t magnitude =
            v->src_format == FP_FORMAT_SP ? (1150ull << 52) | 0xFFFFFE0000000ull : 0x7FEFFFFFFFFFFFFFull;
        return (negative ? 1ull << 63 : 0) | magnitude;
    }
    static Out zero(bool negative) { return negative ? 1ull << 63 : 0; }
    static bool is_zero(Out o) { return (o << 1) == 0; }
    static bool is_quiet_nan(Out o) { return (o & 0x7FF8000000000000ull) == 0x7FF8000000000000ull; }
    static Out without_sign(Out o) { return o & ~(1ull << 63); }
    static Out negated(Out o) { return o ^ (1ull << 63); }
    static void set_fprf(IOPDesc *iop, const Out *o, const FP160 *v)
    {
        Set_DBL_FPSCR_FPRF_Bits(iop, o, (v->exceptions & FP160_EXC_FINAL_EXP) ? 2 : 3);
    }
};

struct HalfFormat {
    using Out = uint16_t;
    static constexpr uint32_t adjust = 24;
    static constexpr uint32_t denormal_base = FP160_HP_OFFSET;
    static void convert(FP160 *v, int mode, Out *out) { FP160_Convert16(v, mode, out, 4); }
    static Out infinity(bool negative) { return (Out)((negative ? 0x8000u : 0u) | 0x7C00u); }
    static Out largest(const FP160 *, bool negative) { return (Out)((negative ? 0x8000u : 0u) | 0x7BFFu); }
    static Out zero(bool negative) { return negative ? 0x8000 : 0; }
    static bool is_zero(Out o) { return (o & 0x7FFF) == 0; }
    static bool is_quiet_nan(Out o) { return (o & 0x7E00) == 0x7E00; }
    static Out without_sign(Out o) { return (Out)(o & 0x7FFF); }
    static Out negated(Out o) { return (Out)(o ^ 0x8000); }
    static void set_fprf(IOPDesc *iop, const Out *o, const FP160 *) { Set_HALF_FPSCR_FPRF_Bits(iop, *o); }
};

// Quad results: a 128-bit value, low word first.
struct Quad {
    uint64_t w[2];
};
struct QuadFormat {
    using Out = Quad;
    static constexpr uint32_t adjust = 0x6000;
    static constexpr uint32_t denormal_base = FP160_QP_OFFSET;
    static constexpr uint64_t SIGN = 1ull << 63;
    static void convert(FP160 *v, int mode, Out *out) { FP160_Convert128(v, mode, out->w, 5); }
    static Out infinity(bool negative) { return Quad{{0, (negative ? SIGN : 0) | 0x7FFF000000000000ull}}; }
    static Out largest(const FP160 *, bool negative)
    {
        return Quad{{~0ull, (negative ? SIGN : 0) | 0x7FFEFFFFFFFFFFFFull}};
    }
    static Out zero(bool negative) { return Quad{{0, negative ? SIGN : 0}}; }
    static bool is_zero(const Out &o) { return o.w[0] == 0 && (o.w[1] << 1) == 0; }
    static bool is_quiet_nan(const Out &o)
    {
        return (o.w[1] & 0x7FFF800000000000ull) == 0x7FFF800000000000ull;
    }
    static Out without_sign(Out o)
    {
        o.w[1] &= ~SIGN;
        return o;
    }
    static Out negated(Out o)
    {
        o.w[1] ^= SIGN;
        return o;
    }
    static void set_fprf(IOPDesc *iop, const Out *o, const FP160 *v)
    {
        Set_QUAD_FPSCR_FPRF_Bits(iop, o->w, (v->exceptions & FP160_EXC_FINAL_EXP) ? 2 : 5);
    }
};

template <class T> int deliver(IOPDesc *iop, FP160 *value, typename T::Out *out, int negate, int mode)
{
    const uint32_t F0 = value->exceptions, D0 = value->invalid_detail;
    bool sticky = F0 & FP160_EXC_INEXACT;
    T::convert(value, mode, out);
    if (FP_Option(iop, PO_FP_FI_BIT_DETERMINED_AFTER_ROUNDING))
        sticky = value->exceptions & FP160_EXC_INEXACT;
    uint32_t F = F0 | value->exceptions;
    int result = 1;
    bool fprf = true;
    const bool negative = value->sign != 0;

    if (F & FP160_EXC_UNDERFLOW) {
        const uint64_t f = iGET_FPSCR(iop);
        if (f & FPSCR_UE) {
            FPSCR_SetBit(iop, FPSCR_UX, 1);
            value->exponent += T::adjust;
            if (!FP_Option(iop, PO_FP_OVERFLOW_LEAVES_FI_FR_ALONE)) F &= ~ROUNDING_FLAGS;
            prepare_reround(value, sticky);
            T::convert(value, mode, out);
            F = merge_flags(F, value);
        } else if (FP_Option(iop, PO_SUPPORT_NON_IEEE_MODE) && FP_Option(iop, PO_NI_SQUASH_UNDERFLOW) &&
                   (f & FPSCR_NI)) {
            FPSCR_SetBit(iop, FPSCR_UX, 1);
            *out = T::zero(negative);
            F = (F & ~(uint32_t)FP160_EXC_ROUNDED_UP) | FP160_EXC_INEXACT;
        } else {
            // Denormalise to the smallest exponent and round once more, the lost bits as sticky.
            const int32_t n = (int32_t)(T::denormal_base - value->exponent);
            if (!(FP_Option(iop, PO_ONLY_DENORM_POSITIVE_AMOUNTS) && n <= 0)) FP160_Denormalize(value, n);
            prepare_reround(value, sticky || value->tiny_loss);
            T::convert(value, mode, out);
            F = (F & ~ROUNDING_FLAGS) | value->exceptions;
            if (F & (FP160_EXC_INEXACT | FP160_EXC_INEXACT_RE)) FPSCR_SetBit(iop, FPSCR_UX, 1);
        }
    }

    if (F & FP160_EXC_OVERFLOW) {
        FPSCR_SetBit(iop, FPSCR_OX, 1);
        if (iGET_FPSCR(iop) & FPSCR_OE) {
            value->exponent -= T::adjust;
            prepare_reround(value, sticky);
            T::convert(value, mode, out);
            F = (F & ~ROUNDING_FLAGS) | value->exceptions;
        } else {
            FPSCR_SetBit(iop, FPSCR_XX, 1);
            FP160_Mark_Exception(value, FP160_EXC_INEXACT, 0, "FP_Convert_ExceptionHandler",
                                 "INEXACT raised with overflow and OE=0");
            F |= FP160_EXC_INEXACT;
            if (mode > FP_ROUND_NEAREST_AWAY || mode < 0) {
                sim_do_error(__FILE__, __LINE__,
                             "ERROR: FP_Convert_ExceptionHandler(): Unknown rounding mode");
                return 0;
            }
            const bool largest = rounds_to_largest(mode, negative);
            *out = largest ? T::largest(value, negative) : T::infinity(negative);
            if (largest && FP_Option(iop, PO_FP_OVF_OE0_CLEAR_FR_COND) && row_divides(iop))
                F &= ~(uint32_t)FP160_EXC_ROUNDED_UP;
            else if (FP_Option(iop, PO_FP_OVERFLOW_OE_OFF_SETS_FR))
                F |= FP160_EXC_ROUNDED_UP;
        }
    }

    if (F & FP160_EXC_ZERO_DIVIDE) {
        FPSCR_SetBit(iop, FPSCR_ZX, 1);
        F &= ~ROUNDING_FLAGS;
        if (iGET_FPSCR(iop) & FPSCR_ZE) {
            result = 0;
            fprf = false;
        } else {
            *out = T::infinity(negative);
        }
    }
    nan_and_invalid(iop, &F, D0 | value->invalid_detail, &negate, &result, &fprf);

    FPSCR_SetBit(iop, FPSCR_FI, (F & FP160_EXC_INEXACT) != 0);
    FPSCR_SetBit(iop, FPSCR_FR, (F & FP160_EXC_ROUNDED_UP) != 0);
    if (!(F & NAN_FLAGS) && T::is_quiet_nan(*out)) { // the default NaN of an invalid operation
        *out = T::without_sign(*out);
        negate = 0;
    }
    if (negate && !(T::is_zero(*out) && mode != FP_ROUND_MINUS_INF && value->op_kind == FP160_OP_ADD))
        *out = T::negated(*out);
    if (fprf) T::set_fprf(iop, out, value);
    return result;
}

constexpr uint32_t SP_SIGN = 0x80000000u;

} // namespace

int FP_Convert_ExceptionHandler64(IOPDesc *iop, FP160 *value, uint64_t *out, int negate, int mode)
{
    return deliver<DoubleFormat>(iop, value, out, negate, mode);
}

int FP_Convert_ExceptionHandler16(IOPDesc *iop, FP160 *value, uint16_t *out, int negate, int mode)
{
    return deliver<HalfFormat>(iop, value, out, negate, mode);
}

int FP_Convert_ExceptionHandler128(IOPDesc *iop, FP160 *value, uint64_t *out, int negate, int mode)
{
    Quad q;
    const int result = deliver<QuadFormat>(iop, value, &q, negate, mode);
    out[0] = q.w[0];
    out[1] = q.w[1];
    return result;
}

int FP_Convert_ExceptionHandler80(IOPDesc *iop, FP160 *value, uint64_t *out, int negate, int mode)
{
    return FP_Convert_ExceptionHandler128(iop, value, out, negate, mode);
}

void FP_Store(FP160 *value, int add, int subtract)
{
    if (add) value->exponent += 1536;
    if (subtract) value->exponent -= 1536;
}

uint64_t EnabledOverflowUnderflowDPforcedToSPresult(IOPDesc *iop, FP160 *value)
{
    FP160_Mark_Exception(value, FP160_EXC_FINAL_EXP, 0, "EnabledOverflowUnderflowDPforcedToSPresult",
                         "Enabled overflow or underflow forced into double format");
    const uint32_t field = (uint32_t)(value->exponent - FP160_BIAS + 1023) & 0x7FF;
    value->exponent = field + (row_class(iop, II_CVT_DPSP) ? FP160_DP_OFFSET : FP160_BIAS);
    const uint64_t fraction = (value->sig_hi >> 39) & 0x7FFFFF;
    return ((uint64_t)(value->sign != 0) << 63) | ((uint64_t)field << 52) | (fraction << 29);
}

void FP160_Round_Enabled_to_32_as_DW(IOPDesc *iop, FP160 *value, uint64_t *out, int sticky, int mode,
                                     uint32_t *flags, int *convert_later, int *fprf_later)
{
    prepare_reround(value, sticky);
    int32_t exponent;
    uint64_t fraction;
    if (FP160_RoundSignificand(value, mode, FP_FORMAT_SP, &exponent, &fraction, 1)) value->exponent += 1;
    FP160_SetSignificand(value, FP_FORMAT_SP, fraction);
    *flags |= value->exceptions;
    value->exceptions &= ~(uint32_t)FP160_EXC_INEXACT;
    if (row_class(iop, II_CVT_DPSP) || row_class(iop, II_SINGLE))
        *out = EnabledOverflowUnderflowDPforcedToSPresult(iop, value);
    else
        FP160_Convert64(value, FP_ROUND_ZERO, out, 1);
    *convert_later = 0;
    *fprf_later = 0;
    if (FP_Option(iop, PO_SET_FPRF_NEGATIVE_FOR_OVER_OR_UNDER_FLOW))
        Set_FPSCR_FPRF_Code(iop, (*out >> 63) ? FPRF_NEG_NORMAL : FPRF_POS_NORMAL);
    else
        Set_DBL_FPSCR_FPRF_Bits(
            iop, out, (row_class(iop, II_SINGLE) && (value->exceptions & FP160_EXC_FINAL_EXP)) ? 2 : 1);
    *flags = merge_flags(*flags, value);
}

int FP160_Convert_to_32_as_DW(IOPDesc *iop, FP160 *value, uint64_t *out, int negate, int mode)
{
    const uint32_t F0 = value->exceptions, D0 = value->invalid_detail;
    bool sticky = F0 & FP160_EXC_INEXACT;
    uint32_t word = FP160_Convert32(value, mode, 0, 0, 0);
    if (FP_Option(iop, PO_FP_FI_BIT_DETERMINED_AFTER_ROUNDING))
        sticky = value->exceptions & FP160_EXC_INEXACT;
    uint32_t F = F0 | value->exceptions;
    int result = 1, convert_later = 1, fprf_later = 1;
    bool fprf = true;
    const bool negative = value->sign != 0;

    if (F & FP160_EXC_UNDERFLOW) {
        const uint64_t f = iGET_FPSCR(iop);
        if (f & FPSCR_UE) {
            FPSCR_SetBit(iop, FPSCR_UX, 1);
            value->exponent += 192;
            F &= ~ROUNDING_FLAGS;
            FP160_Round_Enabled_to_32_as_DW(iop, value, out, sticky || value->tiny_loss, mode, &F,
                                            &convert_later, &fprf_later);
        } else if (FP_Option(iop, PO_SUPPORT_NON_IEEE_MODE) && FP_Option(iop, PO_NI_SQUASH_UNDERFLOW) &&
                   (f & FPSCR_NI)) {
            FPSCR_SetBit(iop, FPSCR_UX, 1);
            word = negative ? SP_SIGN : 0;
            F = (F & ~(uint32_t)FP160_EXC_ROUNDED_UP) | FP160_EXC_INEXACT;
        } else {
            FP160_Denormalize(value, (int32_t)(FP160_SP_OFFSET - value->exponent));
            F &= ~ROUNDING_FLAGS;
            prepare_reround(value, sticky || value->tiny_loss);
            word = FP160_Convert32(value, mode, 0, 0, 0);
            F = merge_flags(F, value);
            if (F & (FP160_EXC_INEXACT | FP160_EXC_INEXACT_RE)) FPSCR_SetBit(iop, FPSCR_UX, 1);
        }
    }

    if (F & FP160_EXC_OVERFLOW) {
        FPSCR_SetBit(iop, FPSCR_OX, 1);
        if (iGET_FPSCR(iop) & FPSCR_OE) {
            value->exponent -= 192;
            F &= ~ROUNDING_FLAGS;
            FP160_Round_Enabled_to_32_as_DW(iop, value, out, sticky, mode, &F, &convert_later, &fprf_later);
        } else {
            FPSCR_SetBit(iop, FPSCR_XX, 1);
            FP160_Mark_Exception(value, FP160_EXC_INEXACT, 0, "FP_Convert_ExceptionHandler",
                                 "INEXACT raised with overflow and OE=0");
            F |= FP160_EXC_INEXACT;
            if (mode > FP_ROUND_NEAREST_AWAY || mode < 0) {
                sim_do_error(__FILE__, __LINE__,
                             "ERROR: FP_Convert_ExceptionHandler(): Unknown rounding mode");
                return 0;
            }
            const bool largest = rounds_to_largest(mode, negative);
            word = (negative ? SP_SIGN : 0) | (largest ? 0x7F7FFFFFu : 0x7F800000u);
            if (largest && FP_Option(iop, PO_FP_OVF_OE0_CLEAR_FR_COND) && row_divides(iop))
                F &= ~(uint32_t)FP160_EXC_ROUNDED_UP;
            else if (FP_Option(iop, PO_FP_OVERFLOW_OE_OFF_SETS_FR))
                F |= FP160_EXC_ROUNDED_UP;
        }
    }

    if (F & FP160_EXC_ZERO_DIVIDE) {
        FPSCR_SetBit(iop, FPSCR_ZX, 1);
        F &= ~ROUNDING_FLAGS;
        if (iGET_FPSCR(iop) & FPSCR_ZE) {
            result = 0;
            fprf = false;
        } else {
            word = (negative ? SP_SIGN : 0) | 0x7F800000u;
        }
    }
    nan_and_invalid(iop, &F, D0 | value->invalid_detail, &negate, &result, &fprf);

    FPSCR_SetBit(iop, FPSCR_FI, (F & FP160_EXC_INEXACT) != 0);
    FPSCR_SetBit(iop, FPSCR_FR, (F & FP160_EXC_ROUNDED_UP) != 0);
    if (!(F & NAN_FLAGS) && (word & 0x7FC00000u) == 0x7FC00000u) {
        word &= ~SP_SIGN;
        negate = 0;
    }
    if (negate) {
        if (convert_later) {
            if (!((word << 1) == 0 && mode != FP_ROUND_MINUS_INF && value->op_kind == FP160_OP_ADD))
                word ^= SP_SIGN;
        } else if (!((*out << 1) == 0 && mode != FP_ROUND_MINUS_INF && value->op_kind == FP160_OP_ADD)) {
            *out ^= 1ull << 63;
        }
    }
    if (fprf && fprf_later) Set_SGL_FPSCR_FPRF_Bits(iop, word);
    if (convert_later) *out = ConvSPtoDP(word);
    return result;
}
