// Delivery of queued interrupts.
#include "interrupts/interrupt_delivery.h"

#include "decode/instr_info.h"
#include "interrupts/exception_table.h"
#include "interrupts/exception_types.h"
#include "interrupts/hooks/exception_start.h"
#include "interrupts/hooks/interrupt_notice.h"
#include "interrupts/interrupt_msr.h"
#include "interrupts/interrupt_queue.h"
#include "interrupts/interrupt_raisers.h"
#include "interrupts/msr_write.h"
#include "interrupts/queue_lock.h"
#include "processor/hooks/htm.h"
#include "processor/hooks/pturbo_locks.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/processor_reset.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/register_file.h"
#include "processor/run/run_control.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"
#include "processor/time/time_registers.h"
#include "runtime/message.h"
#include "runtime/plugin_events.h"
#include "runtime/stop.h"

namespace
{

constexpr uint64_t NO_ADDRESS = ~0ull;
constexpr uint64_t SAVED_MSR_MASK = 0xFFFFFFFF8780FFFFull; // bits 0x787F0000 never reach SRR1
constexpr uint64_t LPCR_LPES = 0x8;
constexpr uint64_t SIM_CTRL_TM_INIT_FAIL = 0x8000000000ull;

bool hypervisor_state(uint64_t msr)
{
    return (msr & MSR_HV) && !(msr & MSR_PR);
}

uint32_t privilege_mode(uint64_t msr)
{
    if (hypervisor_state(msr)) return 2;
    return (msr & MSR_PR) ? 0 : 1;
}

// The record's enablement test; wake is passed to the decrementer's.
bool enabled(ThreadState *thread, IOPDesc *iop, PowerPCException *record, int wake)
{
    switch (record->type) {
    case EXC_EXTERNAL:
        return EnabledExternalInterrupt(thread, iop, record);
    case EXC_DECREMENTER:
        return enabled_DEC_Interrupt(thread, wake);
    case EXC_MEDIATED_EXTERNAL:
        return EnabledMediatedExternalInterrupt(thread, record);
    case EXC_HV_DECREMENTER:
        return enabled_HDEC_Interrupt(thread);
    case EXC_P_DBELL:
    case EXC_H_DBELL:
        return EnabledDoorbellInterrupt(thread, iop, record);
    default:
        return true;
    }
}

// Types that LPCR[AIL] relocates.
bool relocated_type(int32_t type)
{
    return (type >= 1 && type <= 5) || (type >= 8 && type <= 18) || (type >= 20 && type <= 23) ||
           (type >= 26 && type <= 38) || type == 40 || type == 42 || type == 43 || type == 44 ||
           (type >= 49 && type <= 52);
}

// Types whose raiser may force MSR bits.
bool forced_msr_type(int32_t type)
{
    return (type >= 1 && type <= 5) || (type >= 8 && type <= 18) || (type >= 20 && type <= 23) ||
           (type >= 26 && type <= 38) || type == 40 || (type >= 42 && type <= 44) ||
           (type >= 49 && type <= 54);
}

bool is_irpt_ctl(int32_t type)
{
    return type >= EXC_IRPT_CTL && type <= EXC_IRPT_CTL_EBB_HYPER;
}

bool instruction_is(const IOPDesc *iop, uint32_t id)
{
    return iop->row && iop->row->id == id;
}

uint64_t option(ThreadState *thread, uint32_t index)
{
    return thread->processor ? thread->processor->options[index] : 0;
}

void unschedule_and_free(ThreadState *thread, PowerPCException *record, const char *cause)
{
    UnScheduleException(thread, record, cause);
    FreeException(record, __FILE__, __LINE__);
}

} // namespace

int IOP_In_Hypervisor_State(IOPDesc *iop)
{
    return hypervisor_state(iGET_MSR(iop)) ? 1 : 0;
}

int IOP_In_Problem_State(IOPDesc *iop)
{
    return (iGET_MSR(iop) & MSR_PR) ? 1 : 0;
}

int IOP_Access_Is_Little_Endian(IOPDesc *iop, uint32_t access_kind)
{
    uint64_t msr = iGET_MSR(iop);
    int little = (msr & MSR_LE) ? 1 : 0;
    if ((msr & MSR_SLE) && access_kind != AXD_KIND_FETCH) little ^= 1;
    return little;
}

int EnabledExternalInterrupt(ThreadState *thread, IOPDesc *iop, PowerPCException *record)
{
    if (record->type != EXC_EXTERNAL) return 0;
    uint64_t msr = iop ? iGET_MSR(iop) : thread->MSR.value;
    if (msr & MSR_EE) return 1;
    uint64_t lpcr = iop ? iGET_LPCR(iop) : thread->LPCR.value;
    return !hypervisor_state(msr) && !(lpcr & LPCR_LPES) ? 1 : 0;
}

int EnabledDoorbellInterrupt(ThreadState *thread, IOPDesc *iop, PowerPCException *record)
{
    if (record->type != EXC_P_DBELL && record->type != EXC_H_DBELL) return 0;
    uint64_t msr = iop ? iGET_MSR(iop) : thread->MSR.value;
    if (msr & MSR_EE) return 1;
    return record->type == EXC_H_DBELL && !hypervisor_state(msr) ? 1 : 0;
}

int CheckInterrupts(IOPDesc *iop, int deliver)
{
    ThreadState *thread = iop->thread;
    if (!thread->interrupt_queue.head) return 0;
    if (!deliver) return AnyExceptionDeliverable(iop);
    if (THREAD_IN_CHUNK_MODE(thread) && thread->chunk_delay) {
        Thread_sync_time(thread, "pending_exception");
        if (!thread->interrupt_queue.head) return 0;
    }
    return DeliverException(iop) ? 1 : 0;
}

int AnyExceptionDeliverable(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    QueueLock lock(thread);
    for (PowerPCException *record = thread->interrupt_queue.head; record; record = record->next)
        if (enabled(thread, iop, record, 0)) return 1;
    return 0;
}

uint64_t Compute_New_PC_For_Exception(IOPDesc *, uint64_t old_msr, int32_t type, uint64_t vector)
{
    if ((old_msr & MSR_IP) && type != EXC_VECTORED_SYSTEM_CALL) return vector | 0xFFF00000ull;
    return vector;
}

int32_t DeliverException(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    QueueLock lock(thread);

    PowerPCException *record = thread->interrupt_queue.head;
    while (record) {
        PowerPCException *next = record->next;
        if (record->type == EXC_DECREMENTER && !enabled_DEC_Interrupt(thread, 1)) {
            unschedule_and_free(thread, record, "DEC got disabled");
            thread->pending_decrementer_exception = 0;
            ThreadState__GetDEC(thread);
        } else if (record->type == EXC_HV_DECREMENTER && !enabled_HDEC_Interrupt(thread)) {
            unschedule_and_free(thread, record, "HDEC Squashed");
            if (thread->processor) ProcessorState__GetHDEC(thread->processor);
        } else if (enabled(thread, iop, record, 1)) {
            break;
        }
        record = next;
    }
    if (!record) return 0;

    if (standalone_mode)
        sim_panic("%s: Exception in standalone mode: %s", thread->name ? thread->name : "",
                  Exception_Name(record));

    int32_t type = record->type;
    switch (type) {
    case EXC_EXTERNAL:
    case EXC_MEDIATED_EXTERNAL:
    case EXC_H_DBELL:
        record->save_to = option(thread, PO_POWERPC_V205) ? ((iGET_LPCR(iop) & LPCR_LPES) ? 0 : 1) : 0;
        break;
    default:
        break;
    }
    if (type == EXC_H_DBELL) record->save_to = 1;
    if (type == EXC_P_DBELL) record->save_to = 0;
    if (type == EXC_DECREMENTER) thread->pending_decrementer_exception = 0;
    if (type == EXC_HV_DECREMENTER) {
        thread->pending_HDEC = 0;
        if (thread->processor) ProcessorState__GetHDEC(thread->processor);
    }

    record->deliver_cycle = Exception_Current_Cycle(thread);
    iop->delivered_type = type;

    if (!OS_SUPPORTS_HTM(iop) && (iGET_MSR(iop) & MSR_TS)) htm_handle_interrupt(iop, type);

    if (type == EXC_TM_OP_FAILURE) {
        htm_record_failure(thread, record->tm_failure_code, record->address, record->tm_failure_flag,
                           (uint32_t)record->tm_failure_reason, iop->msr);
        uint64_t msr = iGET_MSR(iop);
        if (htm_failure_recorded(thread) && (msr & MSR_TS) == MSR_TS_TRANSACTIONAL &&
            htm_handles_failures_at_once(thread) && !((msr & MSR_SE) && instruction_is(iop, ROW_TRESUME_DOT)))
            htm_handle_failure(iop);
        record->type = 0;
        unschedule_and_free(thread, record, "Delivered EXCPT_TM_OP_FAILURE");
        return 0;
    }

    // Fault registers the record carries.
    if (record->dar_valid) {
        if (record->hypervisor)
            iSET_HDAR(iop, record->dar);
        else
            iSET_DAR(iop, record->dar);
    }
    if (record->fscr_valid)
        iSET_FSCR(iop, (iGET_FSCR(iop) & 0x00FFFFFFFFFFFFFFull) | (record->fscr_cause << 56));
    if (record->hfscr_valid)
        iSET_HFSCR(iop, (iGET_HFSCR(iop) & 0x00FFFFFFFFFFFFFFull) | (record->hfscr_cause << 56));
    if (record->dsisr_valid) {
        if (record->hypervisor)
            iSET_HDSISR(iop, record->dsisr);
        else
            iSET_DSISR(iop, record->dsisr);
    }
    if (record->heir_valid) iSET_HEIR(iop, record->heir);
    if (record->sdar_valid) tCOOKED_SET_SDAR(thread, record->sdar, 0);
    if (record->siar_valid) tCOOKED_SET_SIAR(thread, record->siar, 0);

    // Return addresses: f the interrupted (or next) instruction, e the fetch address.
    bool v2 = option(thread, PO_POWERPC_V2) != 0;
    bool narrow = !(thread->MSR.value & MSR_SF);
    uint64_t f = record->instruction_address != NO_ADDRESS ? record->instruction_address
                                                           : IOP_Current_Instruction_Address(iop);
    uint64_t e = iop->fetch.ea;
    bool trace_on_mtmsrd = type == EXC_TRACE && instruction_is(iop, ROW_MTMSRD);
    if (trace_on_mtmsrd) {
        e = f;
        if (v2 && !(iop->start_msr & MSR_SF)) e &= 0xFFFFFFFFull;
    } else if (v2 && narrow) {
        e &= 0xFFFFFFFFull;
    }
    if (v2 && narrow) f &= 0xFFFFFFFFull;
    f &= ~3ull;
    e &= ~3ull;

    CycleCore_exception_start(thread, f);

    uint64_t g = iGET_MSR(iop);
    uint64_t image = ((g & SAVED_MSR_MASK) | record->srr1_set) & ~record->srr1_clear;

    if (type == EXC_VECTORED_SYSTEM_CALL) {
        iSET_LR(iop, f);
        iSET_CTR(iop, image);
    } else if (record->save_to == 1) {
        iSET_HSRR0(iop, trace_on_mtmsrd ? e : f);
        iSET_HSRR1(iop, image);
    } else if (record->save_to == 2) {
        iSET_EBBRR(iop, f);
        iSET_BESCR(iop, (iGET_BESCR(iop) & ~0xC0000000ull) | ((g >> 3) & 0xC0000000ull));
    } else {
        iSET_SRR0(iop, trace_on_mtmsrd ? e : f);
        iSET_SRR1(iop, image);
    }

    // System reset empties the queue, this record included: go on with a copy.
    PowerPCException kept = *record;
    if (type == EXC_SYSTEM_RESET) {
        record = &kept;
        if (thread->machine) GenericMachine__SetInitialState(thread->machine);
        if (thread->processor) CPU_RunState(thread->processor, "System Reset");
        Thread_RunState(thread);
    }

    smt_BoostPriorityForException(thread, type);
    Event_Core_Exception(thread, type);

    Set_New_MSR_and_PC_For_Exception(iop, record, type, record->hypervisor, f, record->vector);

    if ((iGET_SIM_CTRL(iop) & SIM_CTRL_TM_INIT_FAIL) && (g & MSR_TS) == MSR_TS_TRANSACTIONAL)
        htm_record_failure(thread, 0x1010000, record->vector, 1, 20, thread->MSR.value);

    if (!record->persistent && type != EXC_SYSTEM_RESET) unschedule_and_free(thread, record, "Delivered");

    PE_recv_interrupt(thread);
    return type;
}

void Set_New_MSR_and_PC_For_Exception(IOPDesc *iop, PowerPCException *record, int32_t type, int hypervisor,
                                      uint64_t return_address, uint64_t vector)
{
    ThreadState *thread = iop->thread;
    uint64_t old_msr = iGET_MSR(iop);
    uint64_t new_pc = Compute_New_PC_For_Exception(iop, old_msr, type, vector);
    uint64_t new_msr = Compute_New_MSR_For_Exception(iop, old_msr, type, hypervisor);

    bool wide = (new_msr & MSR_SF) != 0;
    if (option(thread, PO_TAGS_ACTIVE) && (new_msr & MSR_TA) && !(new_msr & MSR_LE)) wide = true;
    if (!wide) new_pc &= 0xFFFFFFFFull;

    bool adjust = true;
    if (is_irpt_ctl(type)) {
        if (new_pc == 0x100 || new_pc == 0x200) new_msr |= MSR_HV;
        if (new_pc == 0x100 || new_pc == 0x200 || new_pc == 0xE60) adjust = false;
    }
    if (adjust && relocated_type(type)) {
        uint64_t m = iop->msr;
        bool to_hypervisor = !(m & MSR_HV) && (new_msr & MSR_HV);
        if ((m & MSR_IR) && (m & MSR_DR) && !record->no_relocation && !to_hypervisor) {
            uint64_t ail = (iGET_LPCR(iop) >> 23) & 3;
            if (ail == 2) {
                new_msr |= MSR_IR | MSR_DR;
                new_pc |= 0x18000;
            } else if (ail == 3) {
                new_msr |= MSR_IR | MSR_DR;
                new_pc |= 0xC000000000004000ull;
            }
        }
    }
    if (adjust && forced_msr_type(type) && record->msr_override_mask)
        new_msr =
            (new_msr & ~record->msr_override_mask) | (record->msr_override_mask & record->msr_override_value);

    GenericMachine *machine = thread->machine;
    if (!option(thread, PO_IGNORE_CONTINUOUS_INTERRUPTS) && !(machine && machine->mode == MODE_CYCLE)) {
        uint64_t current = IOP_Current_Instruction_Address(iop);
        if (new_pc == current && new_msr == iGET_MSR(iop)) {
            sim_warning(1, "Interrupt to 0x%016lX from 0x%016lX", (unsigned long)new_pc,
                        (unsigned long)current);
            Stop_The_Simulation(STOP_CONTINUOUS_INTERRUPT);
        }
    }

    if (iop->defer_side_effects)
        iop->next_address = new_pc;
    else
        tFORCE_PC(thread, new_pc, 0);

    if (type == EXC_IRPT_CTL_EBB && record->msr_override_mask == 0) return;

    uint64_t masked = thread->MSR.rfe ? new_msr & Register_Entry_Mask(thread->MSR.rfe) : new_msr;
    Maybe_Invoke_Reg_Write_Triggers(iop, thread->MSR.trigger, old_msr, new_msr);
    _WriteMSR(thread, masked, return_address, new_pc, __FILE__, __LINE__);

    if (AnyoneListening("Event_Core_Mode_Change")) {
        uint32_t mode = privilege_mode(new_msr);
        if (mode != privilege_mode(old_msr)) Event_Core_Mode_Change(thread, mode, 0);
    }
}
