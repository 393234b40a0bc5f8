// The floating-point moves and sign operations (fmr, fneg, fabs, fnabs, fcpsgn) and the select
// fsel: raw 64-bit patterns, no floating-point exception; FRT takes the representation marker of
// its source (and fsel also its FPR invalid map bit).
#include "decode/semantics.h"
#include "fp/fp160.h"
#include "fp/fp_convert.h"
#include "fp/fp_emul_common.h"
#include "fp/fp_instructions.h"
#include "fp/fp_options.h"
#include "fp/fpscr.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/semantics_helpers.h"

namespace
{

constexpr uint64_t SIGN = 0x8000000000000000ull;

enum class Move { Copy, Negate, Absolute, NegativeAbsolute, CopySign };

void copy_marker(IOPDesc *iop, uint32_t from)
{
    iop->thread->VSR[FP_FRT(iop)].fpr_form = iop->thread->VSR[from & 31].fpr_form;
}

template <Move move> int move_worker(IOPDesc *iop)
{
    if (!Check_FP_Available(iop)) return 0;
    const uint64_t b = FP_Read_FRB(iop);
    uint64_t result;
    switch (move) {
    case Move::Copy:
        result = b;
        break;
    case Move::Negate:
        result = b ^ SIGN;
        break;
    case Move::Absolute:
        result = b & ~SIGN;
        break;
    case Move::NegativeAbsolute:
        result = b | SIGN;
        break;
    default:
        result = (FP_Read_FRA(iop) & SIGN) | (b & ~SIGN);
        break;
    }
    FP_Write_FRT(iop, result);
    if (move != Move::CopySign && (iop->word & 1)) FP_Set_CR1(iop);
    copy_marker(iop, FP_FRB(iop));
    return 1;
}

int finish(IOPDesc *iop, int done)
{
    if (!done) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int core_fmr(IOPDesc *iop)
{
    return move_worker<Move::Copy>(iop);
}
int core_fneg(IOPDesc *iop)
{
    return move_worker<Move::Negate>(iop);
}
int core_fabs(IOPDesc *iop)
{
    return move_worker<Move::Absolute>(iop);
}
int core_fnabs(IOPDesc *iop)
{
    return move_worker<Move::NegativeAbsolute>(iop);
}
int core_fcpsgn(IOPDesc *iop)
{
    return move_worker<Move::CopySign>(iop);
}
// An interrupted fcpsgn. leaves CR1 alone, like every instruction that did not complete.
int core_fcpsgn_dot(IOPDesc *iop)
{
    if (!core_fcpsgn(iop)) return 0;
    FP_Set_CR1(iop);
    return 1;
}

int core_fsel(IOPDesc *iop)
{
    if (!FP_Option(iop, PO_OPTIONAL_FLOATING_POINT_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "unsupported fsel");
        return 0;
    }
    if (!Check_FP_Available(iop)) return 0;
    const uint64_t a = FP_Read_FRA(iop);
    const uint64_t b = FP_Read_FRB(iop);
    const uint64_t c = FP_Read_FRC(iop);
    FP160 v;
    FP160_ConvertFromDP(&v, &a, "fsel::op_A");
    bool take_c;
    if (FP160_Is_NaN(&v))
        take_c = false;
    else if (FP160_Is_Zero(&v))
        take_c = true;
    else
        take_c = v.sign == 0;
    const uint32_t source = take_c ? FP_FRC(iop) : FP_FRB(iop);
    const uint64_t bit = 1ull << (63 - source);
    const bool clean = (iop->thread->FPR_INVALID_MAP.value & bit) != 0;
    FP_Write_FRT(iop, take_c ? c : b);
    copy_marker(iop, source);
    uint64_t &map = iop->thread->FPR_INVALID_MAP.value;
    const uint64_t target = 1ull << (63 - FP_FRT(iop));
    map = clean ? map | target : map & ~target;
    if (iop->word & 1) FP_Set_CR1(iop);
    return IOP_Update_FPSCR_Summary(iop);
}

int semantic_fmr(IOPDesc *iop)
{
    return finish(iop, core_fmr(iop));
}
int semantic_fneg(IOPDesc *iop)
{
    return finish(iop, core_fneg(iop));
}
int semantic_fabs(IOPDesc *iop)
{
    return finish(iop, core_fabs(iop));
}
int semantic_fnabs(IOPDesc *iop)
{
    return finish(iop, core_fnabs(iop));
}
int semantic_fcpsgn(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_POWERPC_V202)) {
        interrupt_IllegalInstruction(iop, "fcpsgn");
        return 0;
    }
    return finish(iop, core_fcpsgn(iop));
}
int semantic_fcpsgn_dot(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_POWERPC_V202)) {
        interrupt_IllegalInstruction(iop, "fcpsgn_dot");
        return 0;
    }
    return finish(iop, core_fcpsgn_dot(iop));
}
int semantic_fsel(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_FP_GRAPHICS_INSTRUCTIONS_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "fsel");
        return 0;
    }
    return finish(iop, core_fsel(iop));
}
