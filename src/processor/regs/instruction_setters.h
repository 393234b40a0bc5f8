// Instruction-level register writes beside the generated iSET_ members (reg_accessors.h): the GPR
// write of an instruction and the move from a branch-history entry.
#pragma once

#include <cstdint>

#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_triggers.h"

// Writes GPR n (0..35) for an instruction: its write triggers run first (only noted for an
// instruction in flight), then the whole value is stored, without mask and without the written
// flag.
inline void SET_GPR(IOPDesc *iop, uint32_t n, uint64_t value)
{
    Reg64 *gpr = &iop->thread->GPR[n];
    if (Reg_Write_Triggers_Armed(gpr->trigger))
        Maybe_Invoke_Reg_Write_Triggers(iop, gpr->trigger, gpr->value, value);
    gpr->value = value;
}

// mfbhrbe's worker: RT := the branch-history entry (word bits 20..11) when it lies inside the
// thread's range, else 0. Returns 1.
int core_mfbhrbe(IOPDesc *iop);
