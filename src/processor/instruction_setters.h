// Instruction-level register writes beside the generated iSET_ members (reg_accessors.h): the GPR
// write of an instruction, the move from a branch-history entry and the thread's branch-history
// range.
#pragma once

#include <cstdint>

#include "exec/reg_triggers.h"
#include "processor/instruction_record.h"
#include "processor/thread_state.h"

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

// The number of branch-history entries the thread may read: 32 / the core's thread count with
// MMCRC bit 17 clear; with it set, 32 for the thread numbered MMCRC bits 20..18, 0 for the others.
uint32_t Get_BHRB_Range(ThreadState *thread);

// mfbhrbe's worker: RT := the branch-history entry (word bits 20..11) when it lies inside the
// thread's range, else 0. Returns 1.
int core_mfbhrbe(IOPDesc *iop);
