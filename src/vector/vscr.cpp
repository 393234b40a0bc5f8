// VSCR: saturation, mtvscr, mfvscr and the data-stream touches.
#include "vector/vscr.h"

#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/register_file.h"
#include "processor/records/thread_state.h"
#include "vector/vec_defs.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"

namespace
{

constexpr uint32_t kVscrBits = vec::VSCR_NJ | vec::VSCR_SAT;

void store_masked(Reg32 *reg, uint32_t value)
{
    reg->value = (uint32_t)(value & Register_Entry_Mask(reg->rfe));
}

} // namespace

void IOP_Set_VSCR_SAT(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    if (iop->use_slots)
        iop->sat_pending = 1;
    else
        store_masked(&thread->VSCR, thread->VSCR.value | vec::VSCR_SAT);
    store_masked(&thread->VSCR_CHANGE, thread->VSCR_CHANGE.value | vec::VSCR_SAT);
}

void IOP_Set_VSCR_SAT_Only(IOPDesc *iop)
{
    if (iop->use_slots)
        iop->sat_pending = 1;
    else
        store_masked(&iop->thread->VSCR, iop->thread->VSCR.value | vec::VSCR_SAT);
}

int semantic_mtvscr(IOPDesc *iop)
{
    if (!Check_VMX_Available(iop)) return 0;
    const uint32_t value = (uint32_t)IOP_Read_VMXR_B(iop).low & kVscrBits;
    store_masked(&iop->thread->VSCR, value);
    store_masked(&iop->thread->VSCR_CHANGE, value);
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_mfvscr(IOPDesc *iop)
{
    if (!Check_VMX_Available(iop)) return 0;
    IOP_Write_VMXR_T(iop, iop->thread->VSCR.value, 0);
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_dst(IOPDesc *iop)
{
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_dstst(IOPDesc *iop)
{
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_dss(IOPDesc *iop)
{
    IOP_Advance_NIA(iop);
    return 1;
}
