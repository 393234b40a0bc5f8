// Stand-ins of the decode-and-semantics services the SPR moves call.
#include "isa/spr_support_standins.h"

#include "exec/reg_triggers.h"
#include "exec/spr_interrupt_standins.h"
#include "processor/exception_record.h"
#include "processor/instruction_record.h"
#include "processor/processor_state.h"
#include "processor/thread_state.h"

// STAND-IN: the unimplemented-instruction raiser is not built; the refusal files a record of type
// 28, subtype 220 on the instruction.
__attribute__((weak)) int check_64bit_op_ok(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    if (!thread->processor || !thread->processor->options[PO_NO_64BIT_OPS_IN_32BIT_MODE]) return 1;
    if (iGET_MSR(iop) & 0x8000000000000000ull) return 1;
    File_Standin_Exception(iop, EXC_TYPE_HEA, 220, "Hypervisor Emulation Assist");
    return 0;
}

// STAND-IN: starting and disabling threads (bits 0xFF0000) and the SMT-mode change are missing;
// in privileged state the RUN bit becomes the thread's run latch and its latch bit in the core's
// CTRL image (thread n at 0x8000 >> n).
__attribute__((weak)) void Write_CTRL(IOPDesc *iop, uint32_t value)
{
    ThreadState *thread = iop->thread;
    if (iGET_MSR(iop) & 0x4000) return;
    thread->x_smt_run_latch = (int32_t)(value & 1);
    ProcessorState *core = thread->processor;
    if (core && thread->thread_id_in_core < 8) {
        uint32_t bit = 0x8000u >> thread->thread_id_in_core;
        core->CTRL.value = (value & 1) ? (core->CTRL.value | bit) : (core->CTRL.value & ~bit);
        core->CTRL.written = 1;
    }
}

// STAND-IN: the hypervisor facility-unavailable raiser (transactional-memory pre-check, priority,
// vector) is not built; a record of type 44 with the HFSCR cause is appended to the instruction.
__attribute__((weak)) PowerPCException *interrupt_HyperFacilityUnavailable(IOPDesc *iop, uint64_t cause,
                                                                          const char *name)
{
    PowerPCException *record = File_Standin_Exception(iop, EXC_TYPE_HYPER_FACILITY_UNAVAILABLE, 0, name);
    if (record) {
        record->hfscr_valid = 1;
        record->hfscr_cause = cause;
        record->hypervisor = 1;
    }
    return record;
}
