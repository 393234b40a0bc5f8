// The VSX conversion instructions between integers, single and double precision: eight scalar and
// eighteen vector forms, and the seven scalar forms of the extended set. Each runs its conversion
// core (vsx_convert_cores.h) per element into one result buffer and writes the target only when
// the assignment rule lets the raised flags through; FPSCR status is committed either way.
#include "decode/semantics.h"
#include "fp/fpscr.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/fp_result_writes.h"
#include "isa/semantics_helpers.h"
#include "processor/config/processor_options.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/iop_registers.h"
#include "vector/vec_defs.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"
#include "vector/vsx_convert_cores.h"
#include "vector/vsx_extended.h"
#include "vector/vsx_fp_frame.h"

using namespace vec;

namespace
{

typedef uint32_t (*Core)(int, IOPDesc *, Vec128, Vec128 *);

// What a scalar form writes from doubleword 0 of the buffer.
enum Layout {
    DWORD,     // T.dw0 = r
    WORD_PAIR, // T.w0 = T.w1 = r (the core wrote words 0 and 1)
    WORD_ONLY, // the core wrote word 0; it is copied into word 1
};
enum : uint32_t { NO_MASK = 0 };

// The extended forms run only with their option.
bool extended_allowed(IOPDesc *iop, const char *mnemonic)
{
    if (IOP_Option(iop, PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED)) return true;
    interrupt_IllegalInstruction(iop, mnemonic);
    return false;
}

// mask NO_MASK: always written. to_integer: FPRF := 0 after the write.
int scalar(IOPDesc *iop, Core core, Layout layout, uint32_t mask, bool to_integer)
{
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    Vec128 buffer{0, 0};
    const uint32_t flags = core(0, iop, b, &buffer);
    if (mask == NO_MASK || Allow_Assignment(iop, mask, flags)) {
        uint64_t dw0 = buffer.high;
        if (layout == WORD_ONLY) dw0 = (dw0 & 0xFFFFFFFF00000000ull) | (dw0 >> 32);
        IOP_Write_VSR_T(iop, dw0, 0);
        if (to_integer) FPSCR_Set_Field(iop, 15, 19, 0);
    }
    return VSX_FP_Finish(iop);
}

int vector(IOPDesc *iop, Core core, int elements, uint32_t mask)
{
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    Vec128 buffer{0, 0};
    uint32_t flags = 0;
    for (int i = 0; i < elements; i++)
        flags |= core(i, iop, b, &buffer);
    VSX_FP_Write_Vector(iop, mask, flags, buffer);
    return VSX_FP_Finish(iop);
}

} // namespace

// ---- scalar ----

int semantic_xscvdpsp(IOPDesc *iop)
{
    return scalar(iop, scvdpsp, WORD_PAIR, ASSIGN_INVALID, false);
}
int semantic_xscvspdp(IOPDesc *iop)
{
    return scalar(iop, scvspdp, DWORD, ASSIGN_INVALID, false);
}
int semantic_xscvdpsxws(IOPDesc *iop)
{
    return scalar(iop, private_scvdpsxws, WORD_PAIR, ASSIGN_INVALID, true);
}
int semantic_xscvdpuxws(IOPDesc *iop)
{
    return scalar(iop, private_scvdpuxws, WORD_PAIR, ASSIGN_INVALID, true);
}
int semantic_xscvdpsxds(IOPDesc *iop)
{
    return scalar(iop, private_scvdpsxds, DWORD, ASSIGN_INVALID, true);
}
int semantic_xscvdpuxds(IOPDesc *iop)
{
    return scalar(iop, private_scvdpuxds, DWORD, ASSIGN_INVALID, true);
}
int semantic_xscvsxddp(IOPDesc *iop)
{
    return scalar(iop, scvsxddp, DWORD, NO_MASK, false);
}
int semantic_xscvuxddp(IOPDesc *iop)
{
    return scalar(iop, scvuxddp, DWORD, NO_MASK, false);
}

// ---- the extended scalar forms ----

int semantic_xscvuxwdp(IOPDesc *iop)
{
    if (!extended_allowed(iop, "xscvuxwdp")) return 0;
    return scalar(iop, scvuxwdp, DWORD, NO_MASK, false);
}
int semantic_xscvsxwsp(IOPDesc *iop)
{
    if (!extended_allowed(iop, "xscvsxwsp")) return 0;
    return scalar(iop, scvsxwsp, WORD_ONLY, NO_MASK, false);
}
int semantic_xscvuxwsp(IOPDesc *iop)
{
    if (!extended_allowed(iop, "xscvuxwsp")) return 0;
    return scalar(iop, scvuxwsp, WORD_ONLY, NO_MASK, false);
}
int semantic_xscvspsxws(IOPDesc *iop)
{
    if (!extended_allowed(iop, "xscvspsxws")) return 0;
    return scalar(iop, private_scvspsxws, WORD_ONLY, ASSIGN_INVALID, true);
}
int semantic_xscvspuxws(IOPDesc *iop)
{
    if (!extended_allowed(iop, "xscvspuxws")) return 0;
    return scalar(iop, private_scvspuxws, WORD_ONLY, ASSIGN_INVALID, true);
}
int semantic_xscvspsxds(IOPDesc *iop)
{
    if (!extended_allowed(iop, "xscvspsxds")) return 0;
    return scalar(iop, private_scvspsxds, DWORD, ASSIGN_INVALID, true);
}
int semantic_xscvspuxds(IOPDesc *iop)
{
    if (!extended_allowed(iop, "xscvspuxds")) return 0;
    return scalar(iop, private_scvspuxds, DWORD, ASSIGN_INVALID, true);
}

// ---- vector ----

int semantic_xvcvdpsp(IOPDesc *iop)
{
    return vector(iop, scvdpsp, 2, ASSIGN_ALL_BUT_ZERO_DIVIDE);
}
int semantic_xvcvspdp(IOPDesc *iop)
{
    return vector(iop, scvspdp, 2, ASSIGN_INVALID);
}
int semantic_xvcvdpsxws(IOPDesc *iop)
{
    return vector(iop, private_scvdpsxws, 2, ASSIGN_INVALID_INEXACT);
}
int semantic_xvcvdpuxws(IOPDesc *iop)
{
    return vector(iop, private_scvdpuxws, 2, ASSIGN_INVALID_INEXACT);
}
int semantic_xvcvdpsxds(IOPDesc *iop)
{
    return vector(iop, private_scvdpsxds, 2, ASSIGN_INVALID_INEXACT);
}
int semantic_xvcvdpuxds(IOPDesc *iop)
{
    return vector(iop, private_scvdpuxds, 2, ASSIGN_INVALID_INEXACT);
}
int semantic_xvcvspsxws(IOPDesc *iop)
{
    return vector(iop, private_scvspsxws, 4, ASSIGN_INVALID_INEXACT);
}
int semantic_xvcvspuxws(IOPDesc *iop)
{
    return vector(iop, private_scvspuxws, 4, ASSIGN_INVALID_INEXACT);
}
int semantic_xvcvspsxds(IOPDesc *iop)
{
    return vector(iop, private_scvspsxds, 2, ASSIGN_INVALID_INEXACT);
}
int semantic_xvcvspuxds(IOPDesc *iop)
{
    return vector(iop, private_scvspuxds, 2, ASSIGN_INVALID_INEXACT);
}
int semantic_xvcvsxwdp(IOPDesc *iop)
{
    return vector(iop, scvsxwdp, 2, ASSIGN_INEXACT);
}
int semantic_xvcvuxwdp(IOPDesc *iop)
{
    return vector(iop, scvuxwdp, 2, ASSIGN_INEXACT);
}
int semantic_xvcvsxddp(IOPDesc *iop)
{
    return vector(iop, scvsxddp, 2, ASSIGN_INEXACT);
}
int semantic_xvcvuxddp(IOPDesc *iop)
{
    return vector(iop, scvuxddp, 2, ASSIGN_INEXACT);
}
int semantic_xvcvsxwsp(IOPDesc *iop)
{
    return vector(iop, scvsxwsp, 4, ASSIGN_INEXACT);
}
int semantic_xvcvuxwsp(IOPDesc *iop)
{
    return vector(iop, scvuxwsp, 4, ASSIGN_INEXACT);
}
int semantic_xvcvsxdsp(IOPDesc *iop)
{
    return vector(iop, scvsxdsp, 2, ASSIGN_INEXACT);
}
int semantic_xvcvuxdsp(IOPDesc *iop)
{
    return vector(iop, scvuxdsp, 2, ASSIGN_INEXACT);
}
