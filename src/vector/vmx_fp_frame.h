// The frame of the VMX single-precision floating-point routines: the availability check, the
// source reads, an element loop over the four words under VSCR[NJ] that counts denormals, the
// VMX Assist decision (VMX_HANDLES_DENORMS off and a denormal counted), the target write and the
// next-instruction address; and the single-precision class tests the element rules use.
#pragma once

#include <cstdint>

#include "interrupts/interrupt_raisers.h"
#include "processor/config/processor_options.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "vector/vec_defs.h"
#include "vector/vmx_frame.h"

namespace vec
{

constexpr uint32_t SP_SIGN = 0x80000000;
constexpr uint32_t SP_EXP = 0x7F800000;
constexpr uint32_t SP_FRAC = 0x007FFFFF;
constexpr uint32_t SP_QUIET = 0x00400000;
constexpr uint32_t SP_DEFAULT_NAN = 0x7FC00000;

inline bool sp_nan(uint32_t x)
{
    return (x & SP_EXP) == SP_EXP && (x & SP_FRAC);
}
inline bool sp_inf(uint32_t x)
{
    return (x & ~SP_SIGN) == SP_EXP;
}
inline bool sp_zero(uint32_t x)
{
    return (x & ~SP_SIGN) == 0;
}
inline bool sp_denormal(uint32_t x)
{
    return (x & SP_EXP) == 0 && (x & SP_FRAC);
}
// A denormal becomes the zero of its sign when nj is set.
inline uint32_t sp_flush(uint32_t x, bool nj)
{
    return nj && sp_denormal(x) ? x & SP_SIGN : x;
}

// What an element rule sees: VSCR[NJ], the instruction's denormal count and saturation flag.
struct FpElementState {
    bool nj;
    int denormals;
    bool sat;
};

// The frame: op(a, b, c, state) gives each result word from the words of VA, VB and VC.
template <int sources, typename Op> inline int vmx_fp_run(IOPDesc *iop, Op op)
{
    if (!Check_VMX_Available(iop)) return 0;
    Vec128 a{0, 0}, b{0, 0}, c{0, 0};
    if constexpr ((sources & SRC_A) != 0) a = IOP_Read_VMXR_A(iop);
    if constexpr ((sources & SRC_B) != 0) b = IOP_Read_VMXR_B(iop);
    if constexpr ((sources & SRC_C) != 0) c = IOP_Read_VMXR_C(iop);
    FpElementState state{(iop->thread->VSCR.value & VSCR_NJ) != 0, 0, false};
    uint32_t t[4];
    for (int i = 0; i < 4; i++)
        t[i] = op(Vec_Word(a, i), Vec_Word(b, i), Vec_Word(c, i), state);
    // Saturation is recorded before the Assist decision: an abandoned instruction keeps it.
    if (state.sat) IOP_Set_VSCR_SAT(iop);
    if (state.denormals && !iop->thread->processor->options[PO_VMX_HANDLES_DENORMS]) {
        interrupt_VMX_Assist(iop);
        return 0;
    }
    const Vec128 result = Vec_From_Words(t[0], t[1], t[2], t[3]);
    IOP_Write_VMXR_T(iop, result.low, result.high);
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace vec
