// Stand-ins of the asynchronous raisers, the instruction raisers the interrupt commands need and
// FlushException.
#include "exec/injected_interrupts.h"

#include "exec/exception_types.h"
#include "exec/interrupt_raisers.h"
#include "processor/exception_record.h"
#include "processor/instruction_record.h"
#include "processor/thread_state.h"

namespace
{

// Inserts the record into the thread's queue, lowest priority value first, equal priorities in
// arrival order.
void queue_record(ThreadState *thread, PowerPCException *record)
{
    record->next = record->prev = nullptr;
    PowerPCException **link = &thread->interrupt_queue.head;
    PowerPCException *previous = nullptr;
    while (*link && (*link)->priority <= record->priority) {
        previous = *link;
        link = &(*link)->next;
    }
    record->next = *link;
    record->prev = previous;
    if (*link) (*link)->prev = record;
    *link = record;
}

PowerPCException *raise_on_thread(ThreadState *thread, int32_t type, const char *detail)
{
    if (!thread) return nullptr;
    PowerPCException *record = ThreadState__New_Exception(thread, type, 0);
    if (!record) return nullptr;
    record->detail = detail;
    queue_record(thread, record);
    return record;
}

PowerPCException *raise_on_instruction(IOPDesc *iop, int32_t type, const char *detail)
{
    if (!iop || !iop->thread) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, type, 0);
    return record ? Take_Care_Of_Exception(iop, record, detail) : nullptr;
}

} // namespace

// STAND-IN: the asynchronous raisers only queue a record of their type: the suppressing options,
// the pending flags, the duplicate tests, the wake-up check and the SMT priority boost are missing.
__attribute__((weak)) PowerPCException *interrupt_Decrementer(ThreadState *thread)
{
    PowerPCException *record = raise_on_thread(thread, 18, "Decrementer");
    if (record) thread->pending_decrementer_exception = 1;
    return record;
}

// STAND-IN: see interrupt_Decrementer.
__attribute__((weak)) PowerPCException *interrupt_HV_Decrementer(ThreadState *thread)
{
    PowerPCException *record = raise_on_thread(thread, EXC_HV_DECREMENTER, "HV Decrementer");
    if (record) record->save_to = 1;
    return record;
}

// STAND-IN: see interrupt_Decrementer.
__attribute__((weak)) PowerPCException *interrupt_IPI(ThreadState *thread)
{
    return raise_on_thread(thread, EXC_EXTERNAL, "Inter-Processor Interrupt");
}

// STAND-IN: see interrupt_Decrementer.
__attribute__((weak)) PowerPCException *interrupt_SystemReset(ThreadState *thread)
{
    return raise_on_thread(thread, EXC_SYSTEM_RESET, "System Reset");
}

// STAND-IN: see interrupt_Decrementer.
__attribute__((weak)) PowerPCException *interrupt_System_Error(ThreadState *thread)
{
    PowerPCException *record = raise_on_thread(thread, 19, "System Error");
    if (record) record->save_to = 1;
    return record;
}

// STAND-IN: see interrupt_Decrementer; the sampled instruction and data addresses are not kept.
__attribute__((weak)) PowerPCException *interrupt_PerfMonitor(ThreadState *thread, uint64_t)
{
    return raise_on_thread(thread, 5, "Performance Monitor");
}

// STAND-IN: the instruction raisers file a record of their type only (no transactional-memory
// handling, no SRR1 details beyond the fixed bits).
__attribute__((weak)) PowerPCException *interrupt_FPUnavailable(IOPDesc *iop)
{
    return raise_on_instruction(iop, 21, "FP Unavailable");
}

// STAND-IN: see interrupt_FPUnavailable.
__attribute__((weak)) PowerPCException *interrupt_VMX_Assist(IOPDesc *iop)
{
    return raise_on_instruction(iop, 41, "VMX Assist");
}

// STAND-IN: see interrupt_FPUnavailable; the LPCR routing of the save registers is missing.
__attribute__((weak)) PowerPCException *interrupt_MER(IOPDesc *iop)
{
    PowerPCException *record = raise_on_instruction(iop, EXC_MEDIATED_EXTERNAL, "Mediated");
    if (record) {
        record->save_to = 1;
        record->srr1_set = 0x200000;
    }
    return record;
}

// STAND-IN: see interrupt_FPUnavailable.
__attribute__((weak)) PowerPCException *interrupt_PreciseMachineCheck(IOPDesc *iop)
{
    PowerPCException *record = raise_on_instruction(iop, EXC_MACHINE_CHECK, "Precise Machine Check");
    if (record) record->srr1_set = 2;
    return record;
}

// STAND-IN: see interrupt_FPUnavailable; the machine-check detail bits are missing.
__attribute__((weak)) PowerPCException *interrupt_MachineCheck(IOPDesc *iop, uint64_t address)
{
    PowerPCException *record = raise_on_instruction(iop, EXC_MACHINE_CHECK, "Machine Check");
    if (record) record->address = address;
    return record;
}

// STAND-IN: the DSISR merge, the wake-up check and the PTURBO lock are missing; the first record
// is queued, the rest discarded.
__attribute__((weak)) void FlushException(IOPDesc *iop)
{
    if (!iop || !iop->thread || !iop->exceptions) return;
    PowerPCException *head = iop->exceptions;
    iop->exceptions = head->next;
    if (iop->exceptions) iop->exceptions->prev = nullptr;
    head->next = head->prev = nullptr;
    queue_record(iop->thread, head);
    if (iop->exceptions) Discard_Instruction_Bound_Exceptions(iop, 1);
}
