// The move to the next instruction.
#include "processor/regs/iop_registers.h"

void IOP_Advance_NIA(IOPDesc *iop)
{
    if (iop->defer_side_effects) return;
    ThreadState *thread = iop->thread;
    uint64_t nia = thread->PC.value + iop->length;
    if (!(IOP_Read_MSR(iop) & MSR_SF)) nia &= 0xFFFFFFFFull;
    thread->next_pc = nia;
    thread->PC.value = nia & Register_Entry_Mask(thread->PC.rfe);
    thread->PC.written = 1;
}

void IOP_Set_NIA(IOPDesc *iop, uint64_t target)
{
    if (iop->defer_side_effects) {
        iop->next_address = target;
        return;
    }
    ThreadState *thread = iop->thread;
    thread->next_pc = target;
    thread->PC.value = target & Register_Entry_Mask(thread->PC.rfe);
    thread->PC.written = 1;
}
