// The VSX floating-point compares: the scalar compares into a CR field and FPSCR[FPCC] (double,
// and the single forms of the extended set), and the vector compares into all-ones or all-zeros
// element masks with CR6 in the record forms.
#include "decode/semantics.h"
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
#include "vector/vsx_fp_frame.h"
#include "vector/vsx_micro_helpers.h"

#include <cstring>

using namespace vec;

namespace
{

struct Class {
    bool nan, snan;
};
Class classify_dp(uint64_t x)
{
    const bool nan = (x & 0x7FF0000000000000ull) == 0x7FF0000000000000ull && (x & 0x000FFFFFFFFFFFFFull);
    return {nan, nan && !(x & 0x0008000000000000ull)};
}
Class classify_sp(uint32_t x)
{
    const bool nan = (x & 0x7F800000u) == 0x7F800000u && (x & 0x007FFFFFu);
    return {nan, nan && !(x & 0x00400000u)};
}

// 0b1000 less, 0b0100 greater, 0b0010 equal (the zeros are equal), 0b0001 unordered.
template <typename F> uint32_t compare_code(F a, F b, bool unordered)
{
    if (unordered) return 1;
    if (a < b) return 8;
    if (a > b) return 4;
    return 2;
}

// ordered: the "o" forms, which also report a quiet NaN (VXVC) and, with VE 0, a signalling one.
int scalar_compare(IOPDesc *iop, bool single, bool ordered)
{
    const Vec128 a = IOP_Read_VSR(iop, VSX_XA(iop->word), VSX_SLOT_A);
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    Class ca, cb;
    uint32_t code;
    if (single) {
        const uint32_t x = Vec_Word(a, 0), y = Vec_Word(b, 0);
        ca = classify_sp(x);
        cb = classify_sp(y);
        float fx, fy;
        memcpy(&fx, &x, sizeof fx);
        memcpy(&fy, &y, sizeof fy);
        code = compare_code(fx, fy, ca.nan || cb.nan);
    } else {
        ca = classify_dp(a.high);
        cb = classify_dp(b.high);
        double dx, dy;
        memcpy(&dx, &a.high, sizeof dx);
        memcpy(&dy, &b.high, sizeof dy);
        code = compare_code(dx, dy, ca.nan || cb.nan);
    }
    FPSCR_Set_Field(iop, 16, 19, code);
    IOP_Set_CR_Field(iop, (iop->word >> 23) & 7, code);
    if (ca.snan || cb.snan) {
        FPSCR_SetBit(iop, FPSCR_VXSNAN, 1);
        if (ordered && !(iGET_FPSCR(iop) & FPSCR_VE)) FPSCR_SetBit(iop, FPSCR_VXVC, 1);
    } else if (ordered && (ca.nan || cb.nan)) {
        FPSCR_SetBit(iop, FPSCR_VXVC, 1);
    }
    return VSX_FP_Finish(iop);
}

bool extended_allowed(IOPDesc *iop, const char *mnemonic)
{
    if (IOP_Option(iop, PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED)) return true;
    interrupt_IllegalInstruction(iop, mnemonic);
    return false;
}

// The vector frame: lane(i, iop, a, b, &result) for each element.
template <typename Lane> int vector_compare(IOPDesc *iop, int elements, Lane lane)
{
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    const Vec128 a = IOP_Read_VSR(iop, VSX_XA(iop->word), VSX_SLOT_A);
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    Vec128 result{0, 0};
    uint32_t flags = 0;
    for (int i = 0; i < elements; i++)
        flags |= lane(i, iop, a, b, &result);
    VSX_FP_Write_Vector(iop, ASSIGN_INVALID, flags, result);
    // The record form reports the computed result, written or not.
    if (iop->word & 0x400) IOP_Set_CR6_From_Vector_Compare(iop, result.low, result.high);
    return VSX_FP_Finish(iop);
}

template <DpCompare compare> uint32_t dp_ordered(int i, IOPDesc *iop, Vec128 a, Vec128 b, Vec128 *r)
{
    return private_dp_cmp_ord(i, iop, compare, a, b, r);
}
template <SpCompare compare> uint32_t sp_ordered(int i, IOPDesc *iop, Vec128 a, Vec128 b, Vec128 *r)
{
    return private_sp_cmp_ord(i, iop, compare, a, b, r);
}

} // namespace

int semantic_xscmpudp(IOPDesc *iop)
{
    return scalar_compare(iop, false, false);
}
int semantic_xscmpodp(IOPDesc *iop)
{
    return scalar_compare(iop, false, true);
}
int semantic_xscmpusp(IOPDesc *iop)
{
    if (!extended_allowed(iop, "xscmpusp")) return 0;
    return scalar_compare(iop, true, false);
}
int semantic_xscmposp(IOPDesc *iop)
{
    if (!extended_allowed(iop, "xscmposp")) return 0;
    return scalar_compare(iop, true, true);
}

int semantic_xvcmpeqdp(IOPDesc *iop)
{
    return vector_compare(iop, 2, private_dp_cmp_unord);
}
int semantic_xvcmpeqsp(IOPDesc *iop)
{
    return vector_compare(iop, 4, private_sp_cmp_unord);
}
int semantic_xvcmpgtdp(IOPDesc *iop)
{
    return vector_compare(iop, 2, dp_ordered<xvcmpgtdp_compare>);
}
int semantic_xvcmpgtsp(IOPDesc *iop)
{
    return vector_compare(iop, 4, sp_ordered<xvcmpgtsp_compare>);
}
int semantic_xvcmpgedp(IOPDesc *iop)
{
    return vector_compare(iop, 2, dp_ordered<xvcmpgedp_compare>);
}
int semantic_xvcmpgesp(IOPDesc *iop)
{
    return vector_compare(iop, 4, sp_ordered<xvcmpgesp_compare>);
}
