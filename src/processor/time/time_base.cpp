// Processor clocks, the time-base reset and thaw, and the register bit operations.
#include "processor/time/time_base.h"

#include "kernel/tsim.h"
#include "processor/config/processor_options.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/spr/spr_routines.h"
#include "processor/time/time_domain.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t PPR32_PRIORITY = 0x1C0000;
constexpr uint64_t DP_QUIET_BIT = 0x0008000000000000ull;

// The machine's tick rounded up to cycles of the domain; the error and 0 without a kernel.
uint64_t current_cycle(GenericMachine *machine, const time_domain *domain)
{
    if (!machine || !machine->tsim) {
        sim_error("tsim in machine is NULL!!!!");
        return 0;
    }
    uint64_t tick = machine->tsim->now;
    if (tick == 0) return 0;
    uint64_t per_cycle = domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
    return (tick + per_cycle - 1) / per_cycle;
}

} // namespace

uint64_t Thread_Current_Cycle(ThreadState *thread)
{
    ProcessorState *core = thread ? thread->processor : nullptr;
    return current_cycle(thread ? thread->machine : nullptr, core ? core->core_domain : nullptr);
}

uint64_t ProcessorState_Current_Cycle(ProcessorState *processor)
{
    return current_cycle(processor ? processor->machine : nullptr, processor ? processor->timebase_domain : nullptr);
}

uint64_t Init_TimeBase(ProcessorState *processor)
{
    if (!processor) return 0;
    uint64_t now = ProcessorState_Current_Cycle(processor);
    processor->tb_value = 0;
    processor->tb_last_cycle = now;
    return now;
}

uint64_t ProcessorState_Thaw_Time_Base(ProcessorState *processor)
{
    uint64_t now = ProcessorState_Current_Cycle(processor);
    if (!processor || !processor->tb_frozen) return now;
    processor->tb_frozen = 0;
    processor->tb_last_cycle = now;
    for (uint32_t i = 0; i < processor->num_threads; i++) {
        DECREMENTER *dec = processor->threads[i].decrementer;
        if (!dec) continue;
        dec->frozen = 0;
        dec->last_cycle = now;
    }
    return now;
}

int LPCR_LPES_Bit(IOPDesc *iop, int n)
{
    if (n == 1 && iop->thread->processor->options[PO_LPES_1_REMOVED]) return 1;
    uint64_t lpcr = iGET_LPCR(iop);
    return (int)((lpcr >> (3 - n)) & 1);
}

void set_PPR32_priority(IOPDesc *iop, int32_t priority)
{
    uint64_t image = iGET_PPR32(iop);
    image = (image & ~PPR32_PRIORITY) | (((uint64_t)(int64_t)priority << 18) & PPR32_PRIORITY);
    MT_PPR32(iop, image);
}

void DP_Make_Quiet(uint64_t *image)
{
    *image |= DP_QUIET_BIT;
}
