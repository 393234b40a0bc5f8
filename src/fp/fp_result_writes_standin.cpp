// Stand-in of the assignment test of the floating-point results.
#include "isa/fp_result_writes.h"

#include "fp/fpscr.h"
#include "isa/semantics_helpers.h"

// STAND-IN: the floating-point, vector and BCD helpers of the semantics layer are not built; the
// assignment test is here, weak, so that theirs replaces it.
__attribute__((weak)) int Allow_Assignment(IOPDesc *iop, uint32_t mask, uint32_t flags)
{
    const uint32_t m = mask & flags;
    if (!m) return 1;
    const uint64_t fpscr = iGET_FPSCR(iop);
    if (!(fpscr & (FPSCR_VE | FPSCR_OE | FPSCR_UE | FPSCR_ZE | FPSCR_XE))) return 1;
    if ((m & 0x90) && (fpscr & FPSCR_VE)) return 0;
    if ((m & 0x01) && (fpscr & FPSCR_OE)) return 0;
    if ((m & 0x02) && (fpscr & FPSCR_UE)) return 0;
    if ((m & 0x20) && (fpscr & FPSCR_ZE)) return 0;
    if (m & 0x04) return (fpscr & FPSCR_XE) ? 0 : 1;
    return 1;
}
