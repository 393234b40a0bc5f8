// Processor doorbells: msgsnd and msgsndp queue a hypervisor or privileged doorbell on the threads
// of the sender's processor that the message addresses and note it in DHDES or DPDES; msgclr and
// msgclrp withdraw the executing thread's own.
#include "decode/semantics.h"
#include "interrupts/exception_table.h"
#include "interrupts/exception_types.h"
#include "interrupts/interrupt_queue.h"
#include "interrupts/interrupt_raisers.h"
#include "mmu/transaction_guard.h"
#include "processor/hooks/htm.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t DOORBELL_TYPE_MASK = 0xF8000000;
constexpr uint32_t DOORBELL_TYPE_SHIFT = 27;
constexpr uint32_t DOORBELL_TYPE_PROCESSOR = 5;
constexpr uint64_t DOORBELL_TAG_MASK = 0x7F;

enum class Level { Hypervisor, Privileged };

uint32_t message_type(uint64_t message)
{
    return (uint32_t)((message & DOORBELL_TYPE_MASK) >> DOORBELL_TYPE_SHIFT);
}

uint64_t read_message(IOPDesc *iop)
{
    return IOP_Read_GPR(iop, FIELD_RB(iop->word), OPERAND_B);
}

// Queues the doorbell on every matching thread that has none queued yet. Only threads of the
// sender's own processor can match (the processor number is part of the match).
void do_send_message(IOPDesc *iop, Level level)
{
    ThreadState *sender = iop->thread;
    ProcessorState *core = sender->processor;
    const uint64_t message = read_message(iop);
    const uint32_t type = message_type(message);
    const uint64_t tag = message & DOORBELL_TAG_MASK;
    const uint32_t lpidr = Fetch_LPIDR(iop);
    if (!core) return;
    for (uint32_t n = 0; n < core->num_threads; n++) {
        ThreadState *target = &core->threads[n];
        IOPDesc view;
        INITIAL_IOP(&view, target);
        if (Fetch_LPIDR(&view) != lpidr || (iGET_TIR(&view) & DOORBELL_TAG_MASK) != tag) continue;
        if (type != DOORBELL_TYPE_PROCESSOR) {
            sim_warning(2, "Illegal msgsnd message type: %d", (int)type);
            continue;
        }
        const uint64_t mask = 1ull << target->thread_id_in_core;
        if (level == Level::Privileged) {
            if (SearchException(target, EXC_P_DBELL)) continue;
            interrupt_P_DBELL(&view);
            iSET_DPDES(iop, tCOOKED_GET_DPDES(sender, 0) | mask);
        } else {
            if (SearchException(target, EXC_H_DBELL)) continue;
            interrupt_H_DBELL(&view);
            iSET_DHDES(iop, tCOOKED_GET_DHDES(sender, 0) | mask);
        }
    }
}

// Withdraws the executing thread's doorbell; the message's tag is not used.
void do_clear_message(IOPDesc *iop, Level level)
{
    ThreadState *thread = iop->thread;
    if (message_type(read_message(iop)) != DOORBELL_TYPE_PROCESSOR) {
        sim_warning(2, "Illegal msgsnd message type.");
        return;
    }
    const uint64_t mask = 1ull << thread->thread_id_in_core;
    const int32_t type = level == Level::Privileged ? EXC_P_DBELL : EXC_H_DBELL;
    if (PowerPCException *queued = SearchException(thread, type)) RemoveException(thread, queued);
    if (level == Level::Privileged)
        iSET_DPDES(iop, iGET_DPDES(iop) & ~mask);
    else
        iSET_DHDES(iop, iGET_DHDES(iop) & ~mask);
}

// The common body: the privilege test, the transaction test, the work, the next address.
int doorbell(IOPDesc *iop, Level level, bool send, const char *name)
{
    const uint64_t msr = iGET_MSR(iop);
    const bool allowed = level == Level::Hypervisor ? (msr & MSR_HV) && !(msr & MSR_PR) : !(msr & MSR_PR);
    if (!allowed) {
        interrupt_PrivilegedInstruction(iop);
        return 0;
    }
    if ((msr & MSR_TS) == MSR_TS_TRANSACTIONAL) {
        HTM_Debug_Failure(iop, "Unsupported instruction: '%s' in Transactional mode.", name);
        htm_record_failure(iop->thread, HTM_FAILURE_NOT_ALLOWED, IOP_Current_Address(iop), 1, 0, msr);
    } else if (send) {
        do_send_message(iop, level);
    } else {
        do_clear_message(iop, level);
    }
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int semantic_msgsnd(IOPDesc *iop)
{
    return doorbell(iop, Level::Hypervisor, true, "msgsnd");
}

int semantic_msgclr(IOPDesc *iop)
{
    return doorbell(iop, Level::Hypervisor, false, "msgclr");
}

int semantic_msgsndp(IOPDesc *iop)
{
    return doorbell(iop, Level::Privileged, true, "msgsndp");
}

int semantic_msgclrp(IOPDesc *iop)
{
    return doorbell(iop, Level::Privileged, false, "msgclrp");
}
