// The Hypervisor Maintenance interrupt.
#include "processor/hooks/hmi.h"

#include "interrupts/interrupt_queue.h"
#include "interrupts/interrupt_raisers.h"
#include "processor/regs/reg_triggers.h"
#include "processor/records/generic_machine.h"
#include "processor/hooks/htm.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"
#include "vector/vec_defs.h"

namespace
{
constexpr uint64_t kSrr1Cleared = 0x783F0000;
constexpr const char *kText = "Hypervisor Maintenance";
} // namespace

PowerPCException *interrupt_HMI(IOPDesc *iop, ThreadState *thread)
{
    using namespace vec;
    if (iop && !thread) thread = iop->thread;
    if (!thread) return nullptr;
    if (iop && !iop->defer_side_effects) {
        if (!(iGET_MSR(iop) & MSR_EE))
            sim_error("HMI: Hypervisor Maintenance Interrupt with EE bit of MSR off");
        if (!(iGET_MSR(iop) & MSR_PR))
            sim_error("HMI: Hypervisor Maintenance Interrupt with PR bit of MSR off");
        if (iGET_MSR(iop) & MSR_HV) sim_error("HMI: Hypervisor Maintenance Interrupt with HV bit of MSR on");
    }

    // Without an instruction the thread's machine setting and MSR decide, and the thread's current
    // record carries the failure to the transactional-memory model.
    const bool os_handles_tm =
        iop ? OS_SUPPORTS_HTM(iop) != 0 : (thread->machine && thread->machine->htm_os_supports_tm);
    const uint64_t msr = iop ? iGET_MSR(iop) : thread->MSR.value;
    IOPDesc *owner = iop ? iop : thread->current_iop;
    if (!os_handles_tm && (msr & MSR_TS) && owner) htm_handle_interrupt(owner, EXC_HMI);

    PowerPCException *record =
        iop ? IOP_New_Exception(iop, EXC_HMI, 0) : ThreadState__New_Exception(thread, EXC_HMI, 0);
    if (!record) return nullptr;
    record->save_to = 1;
    record->hypervisor = 1;
    record->srr1_set = 0;
    record->srr1_clear = kSrr1Cleared;
    if (iop) return Take_Care_Of_Exception(iop, record, kText);
    Async_Take_Care_Of_Exception(thread, record, kText);
    return record;
}
