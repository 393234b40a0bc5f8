// The VSX fused multiply-add element workers.
#include "vector/vsx_madd_micro.h"

#include "fp/fp160_arith.h"
#include "fp/format_convert.h"
#include "fp/fp_options.h"
#include "fp/fpscr.h"
#include "fp/fpscr_status.h"
#include "decode/instr_info.h"
#include "processor/records/instruction_record.h"
#include "vector/vsx_fp_common.h"

namespace
{

using namespace vec;

enum class Form { Madd, Msub, Nmadd, Nmsub };

constexpr bool subtracts(Form f)
{
    return f == Form::Msub || f == Form::Nmsub;
}
constexpr bool negates(Form f)
{
    return f == Form::Nmadd || f == Form::Nmsub;
}

struct Labels {
    const char *a, *b, *c, *result, *mark;
};

bool is_zero_times_infinity(const FP160 *a, const FP160 *c)
{
    return (FP160_Is_Infinity(a) && FP160_Is_Zero(c)) || (FP160_Is_Zero(a) && FP160_Is_Infinity(c));
}

// The unrounded result in *a: a NaN operand chosen in the order A, B, C (SNaN flag when any
// signals, else QNaN; invalid zero-times-infinity when B is the NaN and A × C is 0 × ∞; quieted),
// or the exact product followed by the unrounded sum.
template <Form form> void operate(FP160 *a, FP160 *b, FP160 *c, int mode, bool graph_names, const Labels &l)
{
    const FP160 *nan = FP160_Is_NaN(a) ? a : FP160_Is_NaN(b) ? b : FP160_Is_NaN(c) ? c : nullptr;
    if (nan) {
        FP160 chosen = *nan;
        if (FP160_Is_SNaN(a) || FP160_Is_SNaN(b) || FP160_Is_SNaN(c))
            FP160_Mark_Exception(&chosen, FP_SNAN_OPERAND, 0, l.mark, "SNaN operand");
        else
            FP160_Mark_Exception(&chosen, FP_QNAN_OPERAND, 0, l.mark, "QNaN operand");
        if (is_zero_times_infinity(a, c))
            FP160_Mark_Exception(&chosen, FP_INVALID, FP160_INV_ZERO_TIMES_INF, l.mark,
                                 "Attempt to perform 0 * INF");
        quiet_nan(&chosen);
        *a = chosen;
        return;
    }
    if (graph_names)
        FP160_Multiply_GMode(a, c, 0);
    else
        FP160_Multiply(a, c);
    if (subtracts(form)) invert_sign(b);
    if (graph_names)
        FP160_Add_GMode(a, b, mode, 0);
    else
        FP160_Add(a, b, mode);
}

bool vector_form_row(const IOPDesc *iop)
{
    return iop->row && (iop->row->class_flags & CLASS_VECTOR_FORM);
}

template <Form form>
uint32_t dp(IOPDesc *iop, uint64_t *out, const uint64_t *a_bits, const uint64_t *c_bits,
            const uint64_t *b_bits, int mode, const Labels &l)
{
    FP160 a, b, c;
    FP160_ConvertFromDP(&a, a_bits, l.a);
    FP160_ConvertFromDP(&b, b_bits, l.b);
    FP160_ConvertFromDP(&c, c_bits, l.c);
    operate<form>(&a, &b, &c, mode, false, l);
    const int delivered = FP_Convert_ExceptionHandler64(iop, &a, out, 0, mode);
    const uint32_t flags = a.exceptions;
    if (!negates(form) || !delivered) return flags;

    FP160 r;
    FP160_ConvertFromDP(&r, out, l.result);
    if (!FP160_Is_NaN(&r)) invert_sign(&r);
    FP160_Convert64(&r, mode, out, 3);
    if (!vector_form_row(iop)) Set_DBL_FPSCR_FPRF_Bits(iop, out, 3);
    return flags | r.exceptions;
}

template <Form form>
uint32_t sp(IOPDesc *iop, uint32_t *out, uint32_t a_bits, uint32_t c_bits, uint32_t b_bits, int mode,
            const Labels &l)
{
    FP160 a, b, c;
    FP160_VX_ConvertFromSP_Source(&a, a_bits, 0, 0, l.a);
    FP160_VX_ConvertFromSP_Source(&b, b_bits, 0, 0, l.b);
    FP160_VX_ConvertFromSP_Source(&c, c_bits, 0, 0, l.c);
    operate<form>(&a, &b, &c, mode, true, l);
    int delivered;
    uint32_t word = 0;
    const uint32_t flags = deliver_single(iop, &a, &word, mode, !negates(form), &delivered);
    if (!negates(form)) {
        *out = word;
        return flags;
    }
    if (!delivered) return flags; // out left as it was

    FP160 r;
    FP160_VX_ConvertFromSP_Source(&r, word, 0, 0, l.result);
    if (!FP160_Is_NaN(&r)) invert_sign(&r);
    *out = FP160_Convert32(&r, mode, 0, 0, 0);
    if (!vector_form_row(iop)) Set_SGL_FPSCR_FPRF_Bits(iop, *out);
    return flags | r.exceptions;
}

template <Form form>
uint32_t sp_dp(IOPDesc *iop, uint64_t *out, uint64_t a_bits, uint64_t c_bits, uint64_t b_bits, int mode,
               const Labels &l)
{
    FP160 a, b, c;
    FP160_ConvertFromDP(&a, &a_bits, l.a);
    FP160_ConvertFromDP(&b, &b_bits, l.b);
    FP160_ConvertFromDP(&c, &c_bits, l.c);
    operate<form>(&a, &b, &c, mode, true, l);
    uint64_t rounded = 0;
    const int delivered = FP160_Convert_to_32_as_DW(iop, &a, &rounded, 0, mode);
    const uint32_t flags = a.exceptions;
    if (!negates(form)) {
        *out = rounded;
        return flags;
    }
    if (!delivered) return flags; // out left as it was

    // The negation of the single-precision result; a result forced into double format is used as
    // the rounding left it.
    FP160 r = a;
    if (!(flags & FP_FORCED_DOUBLE)) {
        FP160 narrowed;
        FP160_ConvertFromDP(&narrowed, &rounded, l.result);
        const uint32_t word = FP160_Convert32(&narrowed, FP_ROUND_ZERO, 0, 0, 0);
        FP160_VX_ConvertFromSP_Source(&r, word, 0, 0, l.result);
    }
    if (!FP160_Is_NaN(&r)) invert_sign(&r);
    uint64_t result = 0;
    FP160_Convert64(&r, mode, &result, 3);
    if (FP_Option(iop, PO_SUPPORT_NON_IEEE_MODE) && FP_Option(iop, PO_NI_SQUASH_DENORM_OUTPUT) &&
        (iGET_FPSCR(iop) & FPSCR_NI))
        forceDenZero(iop->thread, &result);
    if ((flags & FP_FORCED_DOUBLE) && FP_Option(iop, PO_SET_FPRF_NEGATIVE_FOR_OVER_OR_UNDER_FLOW))
        FPSCR_Set_Field(iop, 15, 19, (result >> 63) ? FPRF_NEG_NORMAL : FPRF_POS_NORMAL);
    else
        Set_DBL_FPSCR_FPRF_Bits(iop, &result, 1);
    *out = result;
    return flags | r.exceptions;
}

constexpr Labels kDpMadd{"vsx_dp_madd::op_A", "vsx_dp_madd::op_B", "vsx_dp_madd::op_C", "", "vmicro_dp_madd"};
constexpr Labels kDpMsub{"vsx_dp_msub::op_A", "vsx_dp_msub::op_B", "vsx_dp_msub::op_C", "", "vmicro_dp_msub"};
constexpr Labels kDpNmadd{"vsx_dp_nmadd::op_A", "vsx_dp_nmadd::op_B", "vsx_dp_nmadd::op_C",
                          "vsx_dp_nmadd::result(round)", "vmicro_dp_nmadd"};
constexpr Labels kDpNmsub{"vsx_dp_nmsub::op_A", "vsx_dp_nmsub::op_B", "vsx_dp_nmsub::op_C",
                          "vsx_dp_nmsub::result(round)", "vmicro_dp_nmsub"};
constexpr Labels kSpMadd{"vsx_sp_madd::op_A", "vsx_sp_madd::op_B", "vsx_sp_madd::op_C", "", "vmicro_sp_madd"};
constexpr Labels kSpMsub{"vsx_sp_msub::op_A", "vsx_sp_msub::op_B", "vsx_sp_msub::op_C", "", "vmicro_sp_msub"};
constexpr Labels kSpNmadd{"vsx_sp_nmadd::op_A", "vsx_sp_nmadd::op_B", "vsx_sp_nmadd::op_C",
                          "vsx_sp_nmadd::result(round)", "vmicro_sp_nmadd"};
constexpr Labels kSpNmsub{"vsx_sp_nmsub::op_A", "vsx_sp_nmsub::op_B", "vsx_sp_nmsub::op_C",
                          "vsx_sp_nmsub::result(round)", "vmicro_sp_nmsub"};
constexpr Labels kSDpMadd{"vsx_sp_madd::op_A", "vsx_sp_madd::op_B", "vsx_sp_madd::op_C", "",
                          "vmicro_s_sp_madd"};
constexpr Labels kSDpMsub{"vsx_sp_msub::op_A", "vsx_sp_msub::op_B", "vsx_sp_msub::op_C", "",
                          "vmicro_s_sp_msub"};
constexpr Labels kSDpNmadd{"vsx_sp_nmadd::op_A", "vsx_sp_nmadd::op_B", "vsx_sp_nmadd::op_C",
                           "vsx_sp_nmadd::result(round)", "vmicro_s_sp_nmadd"};
constexpr Labels kSDpNmsub{"vsx_sp_nmsub::op_A", "vsx_sp_nmsub::op_B", "vsx_sp_nmsub::op_C",
                           "vsx_sp_nmsub::result(round)", "vmicro_s_sp_nmsub"};

} // namespace

uint32_t vmicro_dp_madd(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *c, const uint64_t *b,
                        int mode)
{
    return dp<Form::Madd>(iop, out, a, c, b, mode, kDpMadd);
}
uint32_t vmicro_dp_msub(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *c, const uint64_t *b,
                        int mode)
{
    return dp<Form::Msub>(iop, out, a, c, b, mode, kDpMsub);
}
uint32_t vmicro_dp_nmadd(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *c, const uint64_t *b,
                         int mode)
{
    return dp<Form::Nmadd>(iop, out, a, c, b, mode, kDpNmadd);
}
uint32_t vmicro_dp_nmsub(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *c, const uint64_t *b,
                         int mode)
{
    return dp<Form::Nmsub>(iop, out, a, c, b, mode, kDpNmsub);
}

uint32_t vmicro_sp_madd(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t c, uint32_t b, int mode)
{
    return sp<Form::Madd>(iop, out, a, c, b, mode, kSpMadd);
}
uint32_t vmicro_sp_msub(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t c, uint32_t b, int mode)
{
    return sp<Form::Msub>(iop, out, a, c, b, mode, kSpMsub);
}
uint32_t vmicro_sp_nmadd(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t c, uint32_t b, int mode)
{
    return sp<Form::Nmadd>(iop, out, a, c, b, mode, kSpNmadd);
}
uint32_t vmicro_sp_nmsub(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t c, uint32_t b, int mode)
{
    return sp<Form::Nmsub>(iop, out, a, c, b, mode, kSpNmsub);
}

uint32_t vmicro_sp_madd_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t c, uint64_t b, int mode)
{
    return sp_dp<Form::Madd>(iop, out, a, c, b, mode, kSDpMadd);
}
uint32_t vmicro_sp_msub_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t c, uint64_t b, int mode)
{
    return sp_dp<Form::Msub>(iop, out, a, c, b, mode, kSDpMsub);
}
uint32_t vmicro_sp_nmadd_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t c, uint64_t b, int mode)
{
    return sp_dp<Form::Nmadd>(iop, out, a, c, b, mode, kSDpNmadd);
}
uint32_t vmicro_sp_nmsub_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t c, uint64_t b, int mode)
{
    return sp_dp<Form::Nmsub>(iop, out, a, c, b, mode, kSDpNmsub);
}
