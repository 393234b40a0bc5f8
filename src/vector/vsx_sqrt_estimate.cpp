// VSX square roots (with their element workers vmicro_dp_sqrt, vmicro_sp_sqrt_dp, vmicro_sp_sqrt),
// the reciprocal and reciprocal-square-root estimates, and the divide and square-root software
// tests, which set a CR field and leave FPSCR alone.
#include <atomic>

#include "decode/instr_info.h"
#include "decode/semantics.h"
#include "fp/fp160.h"
#include "fp/fp160_arith.h"
#include "fp/fp_convert.h"
#include "fp/fp_deliver.h"
#include "fp/fpscr.h"
#include "fp/fpscr_status.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/fp_result_writes.h"
#include "isa/semantics_helpers.h"
#include "processor/config/processor_options.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/iop_registers.h"
#include "vector/vec_defs.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"
#include "vector/vsx_extended.h"
#include "vector/vsx_fp_common.h"
#include "vector/vsx_fp_frame.h"
#include "vector/vsx_micro_helpers.h"

using namespace vec;

uint32_t vmicro_dp_sqrt(IOPDesc *iop, uint64_t *out, const uint64_t *b, int mode);
uint32_t vmicro_sp_sqrt_dp(IOPDesc *iop, uint64_t *out, uint64_t b, int mode);
uint32_t vmicro_sp_sqrt(IOPDesc *iop, uint32_t *out, uint32_t b, int mode);

namespace
{

// The square root of the widened operand, before delivery: a NaN quieted and marked; a zero kept
// (the root of -0 is -0); any other negative value, -infinity included, the default NaN with an
// invalid square root; +infinity kept.
void square_root(FP160 *b, const char *label)
{
    if (FP160_Is_NaN(b)) {
        if (b->sig_hi & FP160_QUIET_BIT)
            FP160_Mark_Exception(b, FP_QNAN_OPERAND, 0, label, "QNaN operand");
        else
            FP160_Mark_Exception(b, FP_SNAN_OPERAND, 0, label, "SNaN operand");
        quiet_nan(b);
    } else if (FP160_Is_Zero(b)) {
    } else if (b->sign) {
        b->sign = 0;
        FP160_Clear_Significand(b);
        FP160_Make_Quiet_NaN(b);
        FP160_Mark_Exception(b, FP_INVALID, INVALID_SQRT, label, "Attempt to perform sqrt(negative value)");
    } else if (!FP160_Is_Infinity(b)) {
        FP160_Sqrt(b);
    }
}

} // namespace

uint32_t vmicro_dp_sqrt(IOPDesc *iop, uint64_t *out, const uint64_t *b, int mode)
{
    FP160 value;
    FP160_ConvertFromDP(&value, b, "vsx_dp_sqrt::op_B");
    square_root(&value, "vmicro_dp_sqrt");
    FP_Convert_ExceptionHandler64(iop, &value, out, 0, mode);
    return value.exceptions;
}

uint32_t vmicro_sp_sqrt_dp(IOPDesc *iop, uint64_t *out, uint64_t b, int mode)
{
    FP160 value;
    FP160_ConvertFromDP(&value, &b, "vsx_sp_sqrt::op_B");
    square_root(&value, "vmicro_s_sp_sqrt");
    FP160_Convert_to_32_as_DW(iop, &value, out, 0, mode);
    return value.exceptions;
}

uint32_t vmicro_sp_sqrt(IOPDesc *iop, uint32_t *out, uint32_t b, int mode)
{
    FP160 value;
    FP160_VX_ConvertFromSP_Source(&value, b, 0, 0, "vsx_sp_sqrt::op_B");
    square_root(&value, "vmicro_sp_sqrt");
    int delivered;
    return deliver_single(iop, &value, out, mode, true, &delivered);
}

namespace
{

uint64_t xb_high(IOPDesc *iop)
{
    return IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B).high;
}

// ---- square roots ----

int vector_sqrt_dp(IOPDesc *iop)
{
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    Vec128 t{0, 0};
    uint32_t flags = vmicro_dp_sqrt(iop, &t.high, &b.high, IOP_FP_Rounding_Mode(iop));
    flags |= vmicro_dp_sqrt(iop, &t.low, &b.low, IOP_FP_Rounding_Mode(iop));
    VSX_FP_Write_Vector(iop, ASSIGN_INVALID_INEXACT, flags, t);
    return VSX_FP_Finish(iop);
}

int vector_sqrt_sp(IOPDesc *iop)
{
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    Vec128 t{0, 0};
    uint32_t flags = 0;
    for (int i = 0; i < 4; i++) {
        uint32_t word = 0;
        flags |= vmicro_sp_sqrt(iop, &word, Vec_Word(b, i), IOP_FP_Rounding_Mode(iop));
        Vec_Set_Word(&t, i, word);
    }
    VSX_FP_Write_Vector(iop, ASSIGN_INVALID_INEXACT, flags, t);
    return VSX_FP_Finish(iop);
}

// ---- estimates ----

typedef uint32_t (*DpEstimate)(IOPDesc *, uint64_t *, const uint64_t *);
typedef uint32_t (*SpDpEstimate)(IOPDesc *, uint64_t *, uint64_t);
typedef uint32_t (*SpEstimate)(IOPDesc *, uint32_t *, uint32_t);

int scalar_estimate_dp(IOPDesc *iop, DpEstimate estimate, bool clear_fr_fi)
{
    const uint64_t b = xb_high(iop);
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    uint64_t out = 0;
    const uint32_t flags = estimate(iop, &out, &b);
    if (Allow_Assignment(iop, ASSIGN_INVALID_ZERO_DIVIDE, flags)) IOP_Write_VSR_T(iop, out, 0);
    if (clear_fr_fi) {
        FPSCR_SetBit(iop, FPSCR_FR, 0);
        FPSCR_SetBit(iop, FPSCR_FI, 0);
    }
    return VSX_FP_Finish(iop);
}

// Under GLENT_RECIP_SQRT_EST_SET_UX_OX xsrsqrtesp reports overflow and underflow too: OX and UX
// join its row's update mask for good. Rows may be shared by processors run on several host
// threads, so the widening is one atomic OR of the same two bits.
void widen_rsqrte_mask(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_GLENT_RECIP_SQRT_EST_SET_UX_OX) || !iop->row) return;
    std::atomic_ref<uint32_t>(iop->row->fpscr_mask).fetch_or(FPSCR_OX | FPSCR_UX, std::memory_order_relaxed);
}

int scalar_estimate_sp(IOPDesc *iop, SpDpEstimate estimate, bool clear_fr_fi, bool widen)
{
    if (!VSX_Scalar_Single_Gates(iop)) return 0;
    const uint64_t b = xb_high(iop);
    if (!Check_VSX_Available(iop)) return 0;
    if (widen) widen_rsqrte_mask(iop);
    IOP_Cache_FPSCR(iop);
    uint64_t out = 0;
    const uint32_t flags = estimate(iop, &out, b);
    if (Allow_Assignment(iop, ASSIGN_INVALID_ZERO_DIVIDE, flags)) IOP_Write_VSR_T_Low(iop, 0, out);
    if (clear_fr_fi) {
        FPSCR_SetBit(iop, FPSCR_FR, 0);
        FPSCR_SetBit(iop, FPSCR_FI, 0);
    }
    return VSX_FP_Finish(iop);
}

int vector_estimate_dp(IOPDesc *iop, DpEstimate estimate)
{
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    Vec128 t{0, 0};
    uint32_t flags = estimate(iop, &t.high, &b.high);
    flags |= estimate(iop, &t.low, &b.low);
    VSX_FP_Write_Vector(iop, ASSIGN_ALL_BUT_INEXACT, flags, t);
    return VSX_FP_Finish(iop);
}

int vector_estimate_sp(IOPDesc *iop, SpEstimate estimate)
{
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    Vec128 t{0, 0};
    uint32_t flags = 0;
    for (int i = 0; i < 4; i++) {
        uint32_t word = 0;
        flags |= estimate(iop, &word, Vec_Word(b, i));
        Vec_Set_Word(&t, i, word);
    }
    VSX_FP_Write_Vector(iop, ASSIGN_ALL_BUT_INEXACT, flags, t);
    return VSX_FP_Finish(iop);
}

// ---- software tests ----

// The field's value goes to CR field BF; the cache is closed without a VX/FEX recomputation (the
// rows' update masks are 0, so FPSCR keeps its bits).
int finish_test(IOPDesc *iop, uint32_t value)
{
    IOP_Set_CR_Field(iop, (iop->word >> 23) & 7, value & 0xF);
    SET_FPSCR_FROM_CACHE(iop);
    IOP_Advance_NIA(iop);
    return 1;
}

int divide_test(IOPDesc *iop, bool vector, bool single)
{
    const Vec128 a = IOP_Read_VSR(iop, VSX_XA(iop->word), VSX_SLOT_A);
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    uint32_t value = 0;
    if (single) {
        for (int i = 0; i < (vector ? 4 : 1); i++)
            value |= vmicro_sp_div_test(iop, Vec_Word(a, i), Vec_Word(b, i));
    } else {
        value = vmicro_dp_div_test(iop, &a.high, &b.high);
        if (vector) value |= vmicro_dp_div_test(iop, &a.low, &b.low);
    }
    return finish_test(iop, value);
}

int sqrt_test(IOPDesc *iop, bool vector, bool single)
{
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    uint32_t value = 0;
    if (single) {
        for (int i = 0; i < (vector ? 4 : 1); i++)
            value |= vmicro_sp_sqrt_test(iop, Vec_Word(b, i));
    } else {
        value = vmicro_dp_sqrt_test(iop, &b.high);
        if (vector) value |= vmicro_dp_sqrt_test(iop, &b.low);
    }
    return finish_test(iop, value);
}

bool extended_allowed(IOPDesc *iop, const char *mnemonic)
{
    if (IOP_Option(iop, PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED)) return true;
    interrupt_IllegalInstruction(iop, mnemonic);
    return false;
}

} // namespace

int semantic_xssqrtdp(IOPDesc *iop)
{
    const uint64_t b = xb_high(iop);
    int mode;
    if (!VSX_FP_Start(iop, &mode)) return 0;
    uint64_t out = 0;
    const uint32_t flags = vmicro_dp_sqrt(iop, &out, &b, mode);
    if (Allow_Assignment(iop, ASSIGN_INVALID, flags)) IOP_Write_VSR_T(iop, out, 0);
    return VSX_FP_Finish(iop);
}

int semantic_xssqrtsp(IOPDesc *iop)
{
    if (!VSX_Scalar_Single_Gates(iop)) return 0;
    const uint64_t b = xb_high(iop);
    int mode;
    if (!VSX_FP_Start(iop, &mode)) return 0;
    uint64_t out = 0;
    const uint32_t flags = vmicro_sp_sqrt_dp(iop, &out, b, mode);
    if (Allow_Assignment(iop, ASSIGN_INVALID, flags)) IOP_Write_VSR_T_Low(iop, 0, out);
    return VSX_FP_Finish(iop);
}

int semantic_xvsqrtdp(IOPDesc *iop)
{
    return vector_sqrt_dp(iop);
}
int semantic_xvsqrtsp(IOPDesc *iop)
{
    return vector_sqrt_sp(iop);
}

int semantic_xsredp(IOPDesc *iop)
{
    return scalar_estimate_dp(iop, vmicro_dp_recip, true);
}
int semantic_xsrsqrtedp(IOPDesc *iop)
{
    return scalar_estimate_dp(iop, vmicro_dp_rsqrt, false);
}
int semantic_xsresp(IOPDesc *iop)
{
    return scalar_estimate_sp(iop, vmicro_sp_recip_dp, true, false);
}
int semantic_xsrsqrtesp(IOPDesc *iop)
{
    return scalar_estimate_sp(iop, vmicro_sp_rsqrt_dp, false, true);
}
int semantic_xvredp(IOPDesc *iop)
{
    return vector_estimate_dp(iop, vmicro_dp_recip);
}
int semantic_xvrsqrtedp(IOPDesc *iop)
{
    return vector_estimate_dp(iop, vmicro_dp_rsqrt);
}
int semantic_xvresp(IOPDesc *iop)
{
    return vector_estimate_sp(iop, vmicro_sp_recip);
}
int semantic_xvrsqrtesp(IOPDesc *iop)
{
    return vector_estimate_sp(iop, vmicro_sp_rsqrt);
}

int semantic_xstdivdp(IOPDesc *iop)
{
    return divide_test(iop, false, false);
}
int semantic_xvtdivdp(IOPDesc *iop)
{
    return divide_test(iop, true, false);
}
int semantic_xvtdivsp(IOPDesc *iop)
{
    return divide_test(iop, true, true);
}
int semantic_xstdivsp(IOPDesc *iop)
{
    if (!Check_PCR_V206(iop) || !extended_allowed(iop, "xstdivsp")) return 0;
    return divide_test(iop, false, true);
}
int semantic_xstsqrtdp(IOPDesc *iop)
{
    return sqrt_test(iop, false, false);
}
int semantic_xvtsqrtdp(IOPDesc *iop)
{
    return sqrt_test(iop, true, false);
}
int semantic_xvtsqrtsp(IOPDesc *iop)
{
    return sqrt_test(iop, true, true);
}
int semantic_xstsqrtsp(IOPDesc *iop)
{
    if (!extended_allowed(iop, "xstsqrtsp")) return 0;
    return sqrt_test(iop, false, true);
}
