// The thread's queue of pending interrupts and the asynchronous raisers.
#include "interrupts/interrupt_queue.h"

#include "interrupts/exception_table.h"
#include "interrupts/exception_types.h"
#include "interrupts/hooks/translator_hooks.h"
#include "interrupts/interrupt_raisers.h"
#include "interrupts/queue_lock.h"
#include "processor/hooks/embed_hooks.h"
#include "processor/hooks/pturbo_locks.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"
#include "processor/spr/spr_table.h"
#include "processor/time/processor_time.h"
#include "processor/time/time_domain.h"
#include "processor/time/time_registers.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t LONG_LIFE_CYCLES = 100000000;

const char *thread_name(ThreadState *thread)
{
    return thread->name ? thread->name : "";
}

// Wakes the thread with the reason; the record is marked as having woken it.
int wake(ThreadState *thread, PowerPCException *record, int32_t reason, uint64_t vector = 0x100)
{
    SMTA_Start_Thread(thread, reason, vector);
    record->woke_thread = 1;
    return 1;
}

PowerPCException *queue_new(ThreadState *thread, int32_t type, const char *text)
{
    PowerPCException *record = ThreadState__New_Exception(thread, type, 0);
    if (!record) return nullptr;
    Async_Take_Care_Of_Exception(thread, record, text);
    return record;
}

} // namespace

uint64_t Exception_Current_Cycle(ThreadState *thread)
{
    if (!thread) return 0;
    // The tick of the thread's machine in cycles of the processor's clock domain, rounded up.
    GenericMachine *machine = thread->machine;
    if (machine && !machine->tsim) {
        sim_error("tsim in machine is NULL!!!!");
        return 0;
    }
    ProcessorState *core = thread->processor;
    if (!machine) return TD_get_current_cycles(core ? core->core_domain : nullptr);
    const uint64_t tick = machine->tsim->now;
    const time_domain *domain = core ? core->core_domain : nullptr;
    const uint64_t per_cycle = domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
    return tick == 0 ? 0 : (tick - 1) / per_cycle + 1;
}

int CheckExceptionWakeup(ThreadState *thread, PowerPCException *record)
{
    if (thread->x_smt_enable) return 0;
    if (thread->stall_reason != STALL_INSTRUCTION && thread->stall_reason != STALL_WAITASEC) return 0;
    uint64_t lpcr = thread->LPCR.value;
    switch (record->type) {
    case EXC_SYSTEM_RESET:
        return wake(thread, record, 4);
    case EXC_MACHINE_CHECK:
        if (!(thread->MSR.value & MSR_ME)) return 0;
        return wake(thread, record, -1, record->vector);
    case EXC_EXTERNAL:
        return wake(thread, record, 8);
    case EXC_MEDIATED_EXTERNAL:
        SIM_PRINT(
            "%s: LPCR[MER]=%d Processor is in an instruction triggered power-saving mode with a pending "
            "mediated interrupt.   The architecture states the hypervisor should not allow this to occur\n",
            thread_name(thread), (lpcr & 0x800) ? 1 : 0);
        return 0;
    case EXC_HMI:
        return wake(thread, record, 10);
    case EXC_P_DBELL:
        if (lpcr & 0x10000) return wake(thread, record, 5);
        if (lpcr & 0x8000) return wake(thread, record, 3);
        return 0;
    case EXC_H_DBELL:
        if (lpcr & 0x8000) return wake(thread, record, 3);
        return 0;
    default:
        return 0;
    }
}

void ScheduleException(ThreadState *thread, PowerPCException *record)
{
    QueueLock lock(thread);
    CheckExceptionWakeup(thread, record);
    PowerPCException *head = thread->interrupt_queue.head;
    if (!head) {
        record->next = record->prev = nullptr;
        thread->interrupt_queue.head = record;
    } else if (record->priority < head->priority) {
        record->prev = nullptr;
        record->next = head;
        head->prev = record;
        thread->interrupt_queue.head = record;
    } else {
        PowerPCException *after = head;
        while (after->next && after->next->priority <= record->priority && after != record)
            after = after->next;
        if (after == record) sim_panic("ScheduleException: Exception is already scheduled?");
        PowerPCException__InsertAfter(record, after);
    }
    if (thread->turbo.in_pturbo) pturbo_zap_thread(thread, "ScheduleException");
    if (thread->processor && thread->processor->num_threads == 1) Thread_RunState(thread);
    smt_BoostPriorityForException(thread, record->type);
}

void Async_Take_Care_Of_Exception(ThreadState *thread, PowerPCException *record, const char *text)
{
    record->detail = text;
    ScheduleException(thread, record);
}

void UnScheduleException(ThreadState *thread, PowerPCException *record, const char *cause)
{
    uint64_t now = Exception_Current_Cycle(thread);
    uint64_t age = now - record->schedule_cycle;
    if (now > record->schedule_cycle && age > LONG_LIFE_CYCLES) {
        const char *woke = record->woke_thread == 1 ? "Caused Wakeup" : "";
        if (record->deliver_cycle)
            sim_warning(
                1,
                "%s @ %ld: UnScheduling Long Life Exception (Type=%s Cause=%s) Schedule->Deliver = %ld  "
                "Schedule->UnSchedule=%ld %s\n",
                thread_name(thread), (long)now, Exception_Name(record), cause,
                (long)(record->deliver_cycle - record->schedule_cycle), (long)age, woke);
        else
            sim_warning(1,
                        "%s @ %ld: UnScheduling Long Life Exception (Type=%s Cause=%s) Schedule->Deliver = "
                        "NEVER-GOT-DELIVERED Schedule->UnSchedule=%ld %s\n",
                        thread_name(thread), (long)now, Exception_Name(record), cause, (long)age, woke);
    }
    PowerPCException *walk = thread->interrupt_queue.head;
    while (walk && walk != record)
        walk = walk->next;
    if (!walk) {
        sim_error("UnSchedule Exception: Exception not found in list!!!!  %s : (Type=%s Cause=%s)\n",
                  thread_name(thread), Exception_Name(record), cause);
        return;
    }
    if (record->prev)
        record->prev->next = record->next;
    else
        thread->interrupt_queue.head = record->next;
    if (record->next) record->next->prev = record->prev;
    record->next = record->prev = nullptr;
}

void lower_persistent_exception(ThreadState *thread, int slot)
{
    if (slot < 0 || slot >= NUM_PERSISTENT_EXCEPTIONS) return;
    PowerPCException *record = thread->persistent_exceptions[slot];
    if (!record) return;
    {
        QueueLock lock(thread);
        UnScheduleException(thread, record, "External Interrupt Lowered");
    }
    FreeException(record, __FILE__, __LINE__);
    thread->persistent_exceptions[slot] = nullptr;
}

int raise_persistent_external(ThreadState *thread)
{
    if (thread->persistent_exceptions[0]) return 0;
    PowerPCException *record = ThreadState__New_Exception(thread, EXC_EXTERNAL, 0);
    if (!record) return 0;
    record->persistent = 1;
    thread->persistent_exceptions[0] = record;
    Async_Take_Care_Of_Exception(thread, record, "External Interrupt");
    return 1;
}

void ClearPersistentExceptions(void)
{
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next) {
        int32_t count = GenericMachine__ThreadCount(machine);
        for (int32_t n = 0; n < count; n++) {
            ThreadState *thread = GenericMachine__Thread(machine, n);
            if (!thread) continue;
            for (int slot = 0; slot < NUM_PERSISTENT_EXCEPTIONS; slot++)
                lower_persistent_exception(thread, slot);
        }
    }
}

void CheckForMediatedInterruptOff(IOPDesc *iop)
{
    if (!iop || !iop->thread) return;
    ThreadState *thread = iop->thread;
    if (iGET_LPCR(iop) & 0x800) return;
    PowerPCException *record = nullptr;
    {
        QueueLock lock(thread);
        record = SearchException(thread, EXC_MEDIATED_EXTERNAL);
        if (record) UnScheduleException(thread, record, "MER is off");
    }
    if (record) FreeException(record, __FILE__, __LINE__);
}

void CheckForMediatedInterrupt(IOPDesc *iop)
{
    if (!iop) return;
    uint64_t msr = iGET_MSR(iop);
    bool hypervisor_state = (msr & MSR_HV) && !(msr & MSR_PR);
    if ((msr & MSR_EE) && (iGET_LPCR(iop) & 0x800) && !hypervisor_state) interrupt_MER(iop);
}

PowerPCException *interrupt_Decrementer(ThreadState *thread)
{
    if (thread->processor && thread->processor->options[PO_SUPPRESS_DECREMENTER_INTERRUPTS]) return nullptr;
    if (standalone_mode) return nullptr;
    if (thread->pending_decrementer_exception) return nullptr;
    PowerPCException *record = queue_new(thread, EXC_DECREMENTER, "Decrementer");
    thread->pending_decrementer_exception = 1;
    return record;
}

PowerPCException *interrupt_HV_Decrementer(ThreadState *thread)
{
    if (thread->processor && thread->processor->options[PO_SUPPRESS_DECREMENTER_INTERRUPTS]) return nullptr;
    if (FindException_ByType(thread, EXC_HV_DECREMENTER)) return nullptr;
    PowerPCException *record = ThreadState__New_Exception(thread, EXC_HV_DECREMENTER, 0);
    if (!record) return nullptr;
    record->save_to = 1;
    Async_Take_Care_Of_Exception(thread, record, "HV Decrementer");
    return record;
}

PowerPCException *interrupt_MER(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    if (FindException_ByType(thread, EXC_MEDIATED_EXTERNAL)) return nullptr;
    PowerPCException *record = ThreadState__New_Exception(thread, EXC_MEDIATED_EXTERNAL, 0);
    if (!record) return nullptr;
    bool to_os = thread->processor && thread->processor->options[PO_MER_ALLOWS_OS] && (iGET_LPCR(iop) & 0x8);
    if (!to_os) {
        record->save_to = 1;
        record->srr1_set = 0x200000;
    }
    Async_Take_Care_Of_Exception(thread, record, "Mediated");
    return record;
}

PowerPCException *interrupt_IPI(ThreadState *thread)
{
    return queue_new(thread, EXC_EXTERNAL, "Inter-Processor Interrupt");
}

PowerPCException *interrupt_SystemReset(ThreadState *thread)
{
    return queue_new(thread, EXC_SYSTEM_RESET, "System Reset");
}

PowerPCException *interrupt_System_Error(ThreadState *thread)
{
    PowerPCException *record = ThreadState__New_Exception(thread, EXC_SYSTEM_ERROR, 0);
    if (!record) return nullptr;
    record->save_to = 1;
    Async_Take_Care_Of_Exception(thread, record, "System Error");
    return record;
}

PowerPCException *interrupt_PerfMonitor(ThreadState *thread, uint64_t data_address)
{
    PowerPCException *record = ThreadState__New_Exception(thread, EXC_PERF_MONITOR, 0);
    if (!record) return nullptr;
    record->siar_valid = 1;
    record->siar = thread->PC.value;
    record->sdar_valid = 1;
    record->sdar = data_address;
    Async_Take_Care_Of_Exception(thread, record, "Performance Monitor");
    return record;
}

PowerPCException *interrupt_H_DBELL(IOPDesc *iop)
{
    return queue_new(iop->thread, EXC_H_DBELL, "Hypervisor Doorbell Send");
}

PowerPCException *interrupt_P_DBELL(IOPDesc *iop)
{
    return queue_new(iop->thread, EXC_P_DBELL, "Privileged Doorbell Send");
}

const char *LIBSIM__Find_SPR_Name(vLIBSIM_data *library, int32_t number)
{
    GenericMachine *machine = LSD_Machine(library);
    ProcessorState *core = machine ? GenericMachine__Processor(machine, 0) : nullptr;
    return core ? Find_SPR_Name(core, number) : nullptr;
}

int32_t LIBSIM__Find_SPR_Number(vLIBSIM_data *library, const char *name)
{
    GenericMachine *machine = LSD_Machine(library);
    ProcessorState *core = machine ? GenericMachine__Processor(machine, 0) : nullptr;
    if (!core) return -1;
    int32_t number = Find_SPR_Number(core, name);
    return number == 16000 ? -1 : number;
}
