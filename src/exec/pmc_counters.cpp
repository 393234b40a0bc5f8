// Performance-monitor counters (see pmc_counters.h).
#include "exec/pmc_counters.h"

#include <cstdio>

#include "exec/hooks/cache_last_ea.h"
#include "interrupts/interrupt_queue.h"
#include "kernel/counter.h"
#include "kernel/job.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/pmc_counters.h"
#include "processor/hooks/spr_interrupt_standins.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/register_file.h"
#include "processor/spr/pmc_groups.h"
#include "processor/time/time_domain.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t COUNTER_MASK = 0xFFFFFFFFull;
constexpr int32_t EVENT_CYCLES_A = 2, EVENT_CYCLES_B = 3, EVENT_INSTRUCTIONS = 15;

bool frozen_by_option(const ThreadState *thread)
{
    return thread->processor && thread->processor->options[PO_WOLK_FREEZE_PMCS];
}

Reg32 *counter_slot(ThreadState *thread, uint32_t n)
{
    Reg32 *slots[] = {&thread->PMC1, &thread->PMC2, &thread->PMC3,
                      &thread->PMC4, &thread->PMC5, &thread->PMC6};
    return slots[n - 1];
}

int32_t counter_event(const PMCInfo *info, int index)
{
    return pmcGroups[info->group * PMC_COUNTERS + index];
}

uint64_t ticks_per_cycle(const ThreadState *thread)
{
    const ProcessorState *core = thread->processor;
    return core && core->core_domain && core->core_domain->ticks_per_cycle
               ? core->core_domain->ticks_per_cycle
               : 1;
}

bool alerts_enabled(const ThreadState *thread)
{
    return (thread->MMCR0.value & PMC_alert_mask(thread->processor)) != 0;
}

// The data address of an overflow interrupt of the event.
uint64_t sample_address(ThreadState *thread, int32_t event)
{
    if (event >= 4 && event <= 30) return thread->PC.value;
    if (event >= 162 && event <= 175) return Cache_get_last_ea(thread, 1);
    if (event >= 179 && event <= 214) return Cache_get_last_ea(thread, 2);
    return 0;
}

// Parks the running job until a counter write wakes it.
void park(job_s *self)
{
    counter_stop(job_counter(self));
}

} // namespace

uint64_t PMC_alert_mask(const ProcessorState *processor)
{
    return processor && processor->pmc_alert_mask ? processor->pmc_alert_mask : MMCR0_PMAE;
}

uint64_t PMC_get_stat(ThreadState *thread, int32_t event)
{
    switch (event) {
    case EVENT_CYCLES_A:
    case EVENT_CYCLES_B: {
        tsim_s *tsim = thread->machine ? thread->machine->tsim : nullptr;
        if (!tsim) return 0;
        uint64_t per_cycle = ticks_per_cycle(thread);
        return (tsim->now + per_cycle - 1) / per_cycle;
    }
    case EVENT_INSTRUCTIONS:
        return thread->Instruction_Number;
    default:
        return 0;
    }
}

uint64_t PMC_get_counter(ThreadState *thread, uint32_t n)
{
    if (frozen_by_option(thread)) {
        if (n < 1 || n > 6) sim_panic("PMC_get_counter: accessing PMC%d > 6", (int)n);
        return counter_slot(thread, n)->value;
    }
    PMCInfo *info = thread->pmc_info;
    if (!pmcGroups || !info) {
        sim_warning(2, "PMC_Get_Value: PMC Groups table not initialized");
        return 0;
    }
    if (n < 1 || n > 6) {
        sim_warning(2, "PMC_Get_Value: invalid counter_id (%d)", (int)n);
        return 0;
    }
    const PMCCounter &counter = info->counters[n - 1];
    return (PMC_get_stat(thread, counter_event(info, (int)n - 1)) - counter.baseline) & COUNTER_MASK;
}

void PMC_set_counter(ThreadState *thread, uint32_t n, uint64_t value)
{
    if (frozen_by_option(thread)) {
        if (n < 1 || n > 6) sim_panic("PMC_set_counter: accessing PMC%d > 6", (int)n);
        Reg32 *slot = counter_slot(thread, n);
        slot->value = (uint32_t)(value & Register_Entry_Mask(slot->rfe));
        slot->written = 1;
        return;
    }
    PMCInfo *info = thread->pmc_info;
    if (!pmcGroups || !info) {
        sim_warning(2, "PMC_Set_Value: PMC Groups table not initialized");
        return;
    }
    if (n < 1 || n > 6) {
        sim_warning(2, "PMC_Set_Value: invalid counter_id (%d)", (int)n);
        return;
    }
    PMCCounter &counter = info->counters[n - 1];
    const uint64_t s = PMC_get_stat(thread, counter_event(info, (int)n - 1));
    value &= COUNTER_MASK;
    // The counter counts on from value: it reads value + (events since now) and overflows when that
    // passes 32 bits.
    counter.baseline = s - value;
    counter.overflow_point = s - value + PMC_OVERFLOW_POINT;
    if (!alerts_enabled(thread)) return;
    if (counter.watcher) {
        job_set(counter.watcher, 0);
        return;
    }
    tsim_s *tsim = thread->machine ? thread->machine->tsim : nullptr;
    if (tsim) counter.watcher = job_new_exec(tsim, "pmcwatcher", nullptr, PMC_watcher, &counter);
}

void PMC_reset_counters(ThreadState *thread)
{
    PMCInfo *info = thread->pmc_info;
    sim_warning(2, ":::::Setting PMC-group to %d:::::", info ? info->group : -1);
    sim_warning(2, "Note: performance counters are NOT being reset.");
    sim_warning(2, "      You have to RESET STATS to reset PMC counters.");
    // Counters 1 to 5 count on from 0 over the new group's events.
    for (uint32_t n = 1; n <= 5; n++)
        PMC_set_counter(thread, n, 0);
}

void PMC_watcher(void *argument)
{
    auto *entry = static_cast<PMCCounter *>(argument);
    PMCInfo *info = entry->owner;
    ThreadState *thread = info->thread;
    job_s *self = tsim_active_job;
    for (;;) {
        while (!alerts_enabled(thread))
            park(self);
        const int32_t event = counter_event(info, entry->index);
        const uint64_t cur = PMC_get_stat(thread, event);
        const uint64_t stop = entry->overflow_point;
        const uint64_t delta = (uint64_t)info->delta;
        printf("PMC_watcher: checking cur_v %llx vs (stop %llx - delta %llx)\n", (unsigned long long)cur,
               (unsigned long long)stop, (unsigned long long)delta);
        fflush(stdout);
        if (cur + delta >= stop) {
            interrupt_PerfMonitor(thread, sample_address(thread, event));
            Reg64 &mmcr0 = thread->MMCR0;
            mmcr0.value = (mmcr0.value & ~PMC_alert_mask(thread->processor)) & Register_Entry_Mask(mmcr0.rfe);
            mmcr0.written = 1;
            continue;
        }
        uint64_t remaining = stop - cur;
        if (event != EVENT_CYCLES_A && event != EVENT_CYCLES_B) remaining /= 2;
        if (remaining == 0) {
            park(self);
            continue;
        }
        job_set(self, 1);
        job_wait(self, remaining * ticks_per_cycle(thread));
    }
}
