// The arithmetic emulation cores: add, subtract, multiply, divide, the fused multiply-adds and
// square root in double and single precision, and the two compares.
#include <cstring>

#include "decode/instr_info.h"
#include "decode/row_ids.h"
#include "fp/format_convert.h"
#include "fp/fp160_arith.h"
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "fp/fp_deliver.h"
#include "fp/fp_emul.h"
#include "fp/fp_emul_common.h"
#include "fp/fp_options.h"
#include "fp/fpscr.h"
#include "fp/fpscr_status.h"
#include "interrupts/interrupt_raisers.h"
#include "processor/prints/instruction_prints.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t DP_QUIET_BIT = 0x0008000000000000ull;
constexpr uint64_t DP_EXPONENT = 0x7FF0000000000000ull;

inline bool dp_is_nan(uint64_t d)
{
    return (d & DP_EXPONENT) == DP_EXPONENT && (d << 12) != 0;
}
inline bool dp_is_snan(uint64_t d)
{
    return dp_is_nan(d) && !(d & DP_QUIET_BIT);
}
inline bool dp_is_zero(uint64_t d)
{
    return (d << 1) == 0;
}
inline bool dp_is_negative(uint64_t d)
{
    return (d >> 63) != 0;
}

inline bool is_snan(const FP160 *v)
{
    return FP160_Is_NaN(v) && !(v->sig_hi & FP160_QUIET_BIT);
}
inline void flip_sign(FP160 *v)
{
    v->sign = v->sign ? 0 : 1;
}

inline int RN(IOPDesc *iop)
{
    return IOP_FP_Rounding_Mode(iop);
}

// ---- add, subtract, multiply, divide ----

enum class Op { Add, Sub, Mul, Div };

struct Labels {
    const char *trace; // upper-case mnemonic
    const char *mnemonic;
    const char *a;
    const char *b;
};

template <Op op> void compute(IOPDesc *iop, FP160 *a, FP160 *b)
{
    switch (op) {
    case Op::Sub:
        if (!FP160_Is_NaN(b)) flip_sign(b);
        FP160_Add(a, b, RN(iop));
        break;
    case Op::Add:
        FP160_Add(a, b, RN(iop));
        break;
    case Op::Mul:
        FP160_Multiply(a, b);
        break;
    case Op::Div:
        FP160_Divide(a, b);
        break;
    }
}

template <Op op> int double_core(IOPDesc *iop, const Labels &l)
{
    const uint64_t a = FP_Read_FRA(iop);
    const uint64_t b = op == Op::Mul ? FP_Read_FRC(iop) : FP_Read_FRB(iop);
    FP_Emul_Trace(iop, l.trace, 2, a, b);
    FP160 va, vb;
    FP160_ConvertFromDP(&va, &a, l.a);
    FP160_ConvertFromDP(&vb, &b, l.b);
    compute<op>(iop, &va, &vb);
    uint64_t out = 0;
    const int allowed = FP_Convert_ExceptionHandler64(iop, &va, &out, 0, RN(iop));
    FPSCR_Recompute_VX_FEX(iop);
    if (allowed) FP_Write_FRT(iop, out);
    FP_Emul_Trace(iop, l.trace, 1, out);
    return 1;
}

template <Op op> int single_core(IOPDesc *iop, const Labels &l)
{
    uint64_t a = FP_Read_FRA(iop);
    uint64_t b = op == Op::Mul ? FP_Read_FRC(iop) : FP_Read_FRB(iop);
    FP_Emul_Trace(iop, l.trace, 2, a, b);
    uint64_t out = 0;
    int allowed;
    ThreadState *thread = iop->thread;
    if (!Representable_As_Single_FP(thread, a) || !Representable_As_Single_FP(thread, b)) {
        if (!FP_Option(iop, PO_SQUISH_DP_INTO_SP)) {
            allowed = OutSP_SpecialVal_Process(iop, a, b, &out, l.trace);
            if (allowed) FP_Write_FRT(iop, out);
            FP_Emul_Trace(iop, l.trace, 1, out);
            return 1;
        }
        a = Adjust_to_SP(iop, a);
        b = Adjust_to_SP(iop, b);
    }
    FP160 va, vb;
    FP160_ConvertFromDP(&va, &a, l.a);
    FP160_ConvertFromDP(&vb, &b, l.b);
    compute<op>(iop, &va, &vb);
    allowed = FP160_Convert_to_32_as_DW(iop, &va, &out, 0, RN(iop));
    if (allowed && IOP_NI_Squash_Active(iop)) forceDenZero(thread, &out);
    if (allowed) {
        FP_Write_FRT(iop, out);
        FP_Emul_Dump_After_Write(iop);
    }
    FP_Emul_Trace(iop, l.trace, 1, out);
    return 1;
}

// ---- fused multiply-add ----

enum class Fma { Madd, Msub, Nmadd, Nmsub };

struct FmaLabels {
    const char *trace;    // upper-case mnemonic
    const char *core;     // the core's name, for the NaN marks
    const char *a, *b, *c;
    const char *nan;      // the NaN result
    const char *rounded;  // the delivered result converted back for the negation
    const char *range;    // the default NaN of an operand out of single range
};

// The NaN result: a quieted copy of the first NaN operand, marked.
FP160 nan_result(const FP160 *va, const FP160 *vb, const FP160 *vc, const FmaLabels &l)
{
    FP160 v = FP160_Is_NaN(va) ? *va : FP160_Is_NaN(vb) ? *vb : *vc;
    v.name = l.nan;
    if (is_snan(va) || is_snan(vb) || is_snan(vc))
        FP160_Mark_Exception(&v, FP160_EXC_SNAN, 0, l.core, "SNaN operand");
    else
        FP160_Mark_Exception(&v, FP160_EXC_QNAN, 0, l.core, "QNaN operand");
    if ((FP160_Is_Infinity(va) && FP160_Is_Zero(vc)) || (FP160_Is_Infinity(vc) && FP160_Is_Zero(va)))
        FP160_Mark_Exception(&v, FP160_EXC_INVALID, FP160_INV_ZERO_TIMES_INF, l.core, "Attempt to perform 0 * INF");
    FP160_Make_Quiet_NaN(&v);
    return v;
}

// The delivered result negated and converted again (rounding came first); a NaN is never negated.
// Returns false for a NaN.
bool negate_result(IOPDesc *iop, const FP160 *value, uint64_t *out, const FmaLabels &l)
{
    if (dp_is_nan(*out)) return false;
    FP160 r;
    if (value->exceptions & FP160_EXC_FINAL_EXP)
        r = *value;
    else
        FP160_ConvertFromDP(&r, out, l.rounded);
    flip_sign(&r);
    FP160_Convert64(&r, RN(iop), out, 3);
    return true;
}

template <Fma f, bool single> int fma_core(IOPDesc *iop, const FmaLabels &l)
{
    constexpr bool subtract = f == Fma::Msub || f == Fma::Nmsub;
    constexpr bool negate = f == Fma::Nmadd || f == Fma::Nmsub;
    uint64_t a = FP_Read_FRA(iop);
    uint64_t b = FP_Read_FRB(iop);
    uint64_t c = FP_Read_FRC(iop);
    FP_Emul_Trace(iop, l.trace, 3, a, b, c);
    ThreadState *thread = iop->thread;
    FP160 va, vb, vc, v;
    FP160_ConvertFromDP(&va, &a, l.a);
    FP160_ConvertFromDP(&vb, &b, l.b);
    FP160_ConvertFromDP(&vc, &c, l.c);
    bool compute_it = true;
    if (FP160_Is_NaN(&va) || FP160_Is_NaN(&vb) || FP160_Is_NaN(&vc)) {
        v = nan_result(&va, &vb, &vc, l);
        compute_it = false;
    } else if (single && (!Representable_As_Single_FP(thread, a) || !Representable_As_Single_FP(thread, b) ||
                          !Representable_As_Single_FP(thread, c))) {
        if (FP_Option(iop, PO_SQUISH_DP_INTO_SP)) {
            a = Adjust_to_SP(iop, a);
            b = Adjust_to_SP(iop, b);
            c = Adjust_to_SP(iop, c);
            FP160_ConvertFromDP(&va, &a, l.a);
            FP160_ConvertFromDP(&vb, &b, l.b);
            FP160_ConvertFromDP(&vc, &c, l.c);
        } else if (FP_Option(iop, PO_SP_OPS_WITH_DP_EXPO_OUT_OF_RANGE_RETURN_DEFAULT_NAN)) {
            const uint64_t nan = FP_DEFAULT_QNAN;
            FP160_ConvertFromDP(&v, &nan, l.range);
            compute_it = false;
        } else {
            // No result, and nothing else changes: as the other single-precision cores do.
            FP_Emul_Trace(iop, l.trace, 0);
            return 1;
        }
    }
    if (compute_it) {
        v = va;
        FP160_Multiply(&v, &vc);
        if (subtract) flip_sign(&vb);
        FP160_Add(&v, &vb, RN(iop));
    }

    uint64_t out = 0;
    int allowed;
    if (!single) {
        allowed = FP_Convert_ExceptionHandler64(iop, &v, &out, 0, RN(iop));
        if (allowed && negate && negate_result(iop, &v, &out, l)) Set_DBL_FPSCR_FPRF_Bits(iop, &out, 3);
        FPSCR_Recompute_VX_FEX(iop);
    } else {
        allowed = FP160_Convert_to_32_as_DW(iop, &v, &out, 0, RN(iop));
        if (allowed && !negate && IOP_NI_Squash_Active(iop)) forceDenZero(thread, &out);
        if (allowed && negate && negate_result(iop, &v, &out, l)) {
            if (IOP_NI_Squash_Active(iop)) forceDenZero(thread, &out);
            if ((v.exceptions & FP160_EXC_FINAL_EXP) && FP_Option(iop, PO_SET_FPRF_NEGATIVE_FOR_OVER_OR_UNDER_FLOW))
                FPSCR_Set_Field(iop, 15, 19, dp_is_negative(out) ? FPRF_NEG_NORMAL : FPRF_POS_NORMAL);
            else
                Set_DBL_FPSCR_FPRF_Bits(iop, &out, 1);
        }
    }
    if (allowed) {
        FP_Write_FRT(iop, out);
        if (single) FP_Emul_Dump_After_Write(iop);
    }
    FP_Emul_Trace(iop, l.trace, 1, out);
    return 1;
}

} // namespace

// ---- the cores ----

int core_fadd_emul(IOPDesc *iop)
{
    return double_core<Op::Add>(iop, {"FADD", "fadd", "fadd::op_A", "fadd::op_B"});
}
int core_fsub_emul(IOPDesc *iop)
{
    return double_core<Op::Sub>(iop, {"FSUB", "fsub", "fsub::op_A", "fsub::op_B"});
}
int core_fmul_emul(IOPDesc *iop)
{
    return double_core<Op::Mul>(iop, {"FMUL", "fmul", "fmul::op_A", "fmul::op_C"});
}
int core_fdiv_emul(IOPDesc *iop)
{
    return double_core<Op::Div>(iop, {"FDIV", "fdiv", "fdiv::op_A", "fdiv::op_B"});
}
int core_fadds_emul(IOPDesc *iop)
{
    return single_core<Op::Add>(iop, {"FADDS", "fadds", "fadds:op_A", "fadds:op_B"});
}
int core_fsubs_emul(IOPDesc *iop)
{
    return single_core<Op::Sub>(iop, {"FSUBS", "fsubs", "fsubs::op_A", "fsubs::op_B"});
}
int core_fmuls_emul(IOPDesc *iop)
{
    return single_core<Op::Mul>(iop, {"FMULS", "fmuls", "fmuls::op_A", "fmuls::op_C"});
}
int core_fdivs_emul(IOPDesc *iop)
{
    return single_core<Op::Div>(iop, {"FDIVS", "fdivs", "fdivs::op_A", "fdivs::op_B"});
}

#define QUARN_FMA_CORE(name, NAME, kind, single)                                                             \
    int core_##name##_emul(IOPDesc *iop)                                                                     \
    {                                                                                                        \
        return fma_core<Fma::kind, single>(                                                                  \
            iop, {NAME, "core_" #name "_emul", #name "::op_A", #name "::op_B", #name "::op_C",              \
                  #name "::tmp(NaN)", #name "::result(round)", NAME "(SP)::op(exp_out_of_range)"});           \
    }
QUARN_FMA_CORE(fmadd, "FMADD", Madd, false)
QUARN_FMA_CORE(fmsub, "FMSUB", Msub, false)
QUARN_FMA_CORE(fnmadd, "FNMADD", Nmadd, false)
QUARN_FMA_CORE(fnmsub, "FNMSUB", Nmsub, false)
QUARN_FMA_CORE(fmadds, "FMADDS", Madd, true)
QUARN_FMA_CORE(fmsubs, "FMSUBS", Msub, true)
QUARN_FMA_CORE(fnmadds, "FNMADDS", Nmadd, true)
QUARN_FMA_CORE(fnmsubs, "FNMSUBS", Nmsub, true)
#undef QUARN_FMA_CORE

// ---- square root ----

int core_fsqrt_emul(IOPDesc *iop)
{
    if (!FP_Option(iop, PO_OPTIONAL_FLOATING_POINT_SUPPORTED)) return FP_Emul_Illegal(iop, 4, "fsqrt");
    const uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, "FSQRT", 1, b);
    FPSCR_SetBit(iop, FPSCR_FR | FPSCR_FI, 0);
    uint64_t result = 0;
    bool write = true;
    if (dp_is_zero(b)) {
        result = b;
    } else if (dp_is_nan(b)) {
        if (dp_is_snan(b)) {
            FPSCR_SetBit(iop, FPSCR_VXSNAN, 1);
            write = !(iGET_FPSCR(iop) & FPSCR_VE);
        }
        result = b | DP_QUIET_BIT;
    } else if (dp_is_negative(b)) { // -infinity and negative finite values
        FPSCR_SetBit(iop, FPSCR_VXSQRT, 1);
        write = !(iGET_FPSCR(iop) & FPSCR_VE);
        result = FP_DEFAULT_QNAN;
    } else if ((b & DP_EXPONENT) == DP_EXPONENT) { // +infinity
        result = b;
    } else {
        FP160 v;
        FP160_ConvertFromDP(&v, &b, "fsqrt::op_B(norm)");
        FP160_Sqrt(&v);
        FP_Convert_ExceptionHandler64(iop, &v, &result, 0, RN(iop)); // written whatever it answers
    }
    if (write) Set_DBL_FPSCR_FPRF_Bits(iop, &result, 3);
    FPSCR_Recompute_VX_FEX(iop);
    if (write) FP_Write_FRT(iop, result);
    FP_Emul_Trace(iop, "FSQRT", 1, result);
    return 1;
}

int core_fsqrts_emul(IOPDesc *iop)
{
    if (!FP_Option(iop, PO_OPTIONAL_FLOATING_POINT_SUPPORTED)) return FP_Emul_Illegal(iop, 6, "fsqrts");
    const uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, "FSQRTS", 1, b);
    FPSCR_SetBit(iop, FPSCR_FR | FPSCR_FI, 0);
    ThreadState *thread = iop->thread;
    uint64_t result = 0;
    bool write = true;
    bool computed = false;
    if (FP_Option(iop, PO_SP_Check_First_In_Mixed_Precision) && !dp_is_nan(b) &&
        !Representable_As_Single_FP(thread, b)) {
        result = FP_DEFAULT_QNAN;
    } else if (dp_is_zero(b)) {
        result = b;
    } else if (dp_is_nan(b)) {
        if (dp_is_snan(b)) {
            FPSCR_SetBit(iop, FPSCR_VXSNAN, 1);
            write = !(iGET_FPSCR(iop) & FPSCR_VE);
        }
        result = (b | DP_QUIET_BIT) & ~0x1FFFFFFFull;
    } else if (dp_is_negative(b)) { // -infinity and negative finite values
        FPSCR_SetBit(iop, FPSCR_VXSQRT, 1);
        write = !(iGET_FPSCR(iop) & FPSCR_VE);
        result = FP_DEFAULT_QNAN;
    } else if ((b & DP_EXPONENT) == DP_EXPONENT) { // +infinity
        result = b;
    } else if (Representable_As_Single_FP(thread, b)) {
        FP160 v;
        FP160_ConvertFromDP(&v, &b, "fsqrts::op_B(norm)");
        FP160_Sqrt(&v);
        FP160_Convert_to_32_as_DW(iop, &v, &result, 0, RN(iop)); // written whatever it answers
        computed = true;
    } else if (FP_Option(iop, PO_SP_OPS_WITH_DP_EXPO_OUT_OF_RANGE_RETURN_DEFAULT_NAN)) {
        result = FP_DEFAULT_QNAN;
    } else {
        write = false;
    }
    if (write) {
        if (IOP_NI_Squash_Active(iop)) forceDenZero(thread, &result);
        if (!(computed && FP_Option(iop, PO_FPRF_SET_FOR_SINGLE_PRECISION))) Set_DBL_FPSCR_FPRF_Bits(iop, &result, 1);
        FP_Write_FRT(iop, result);
        FP_Emul_Dump_After_Write(iop);
    }
    FP_Emul_Trace(iop, "FSQRTS", 1, result);
    return 1;
}

// ---- compares ----

int emul_compare_fp(IOPDesc *iop)
{
    const InstrInfo *row = iop->row;
    if (!row || (row->id != ROW_FCMPO && row->id != ROW_FCMPU)) {
        PrintInstructionAndDumpState(iop);
        sim_do_error(__FILE__, __LINE__,
                     "7: core_compare_fp: Encountered floating point instr 0x%08X at 0x%016lX; simulated CPU does "
                     "not support (%s)",
                     iop->word, (unsigned long)IOP_Current_Instruction_Address(iop),
                     row ? row->mnemonic : "no instruction");
        return 0;
    }
    const bool ordered = row->id == ROW_FCMPO;
    const uint64_t a = FP_Read_FRA(iop);
    const uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, ordered ? "FCMPO" : "FCMPU", 2, a, b);
    double x, y;
    memcpy(&x, &a, sizeof x);
    memcpy(&y, &b, sizeof y);
    uint32_t cr;
    if (dp_is_nan(a) || dp_is_nan(b))
        cr = 0x1;
    else if (x < y)
        cr = 0x8;
    else if (x > y)
        cr = 0x4;
    else
        cr = 0x2;
    FPSCR_Set_Field(iop, 16, 19, cr);
    FP_Write_CR_Field(iop, FP_BF(iop), cr);
    const bool snan = dp_is_snan(a) || dp_is_snan(b);
    if (snan) FPSCR_SetBit(iop, FPSCR_VXSNAN, 1);
    if (ordered) {
        if (snan) {
            if (!(iGET_FPSCR(iop) & FPSCR_VE)) FPSCR_SetBit(iop, FPSCR_VXVC, 1);
        } else if (cr == 0x1) {
            FPSCR_SetBit(iop, FPSCR_VXVC, 1);
        }
    }
    FPSCR_Recompute_VX_FEX(iop);
    FP_Emul_Trace(iop, ordered ? "FCMPO" : "FCMPU", 0);
    return 1;
}
