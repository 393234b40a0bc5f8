// The lazy decrementer and hypervisor decrementer, their kernel jobs, the chunk caps they impose
// and the decrementer interrupt checks.
#include "kernel/counter.h"
#include "kernel/job.h"
#include "kernel/tsim.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/interrupt_hooks.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"
#include "processor/spr/spr_services.h"
#include "processor/time/processor_time.h"
#include "processor/time/time_domain.h"
#include "processor/time/time_registers.h"
#include "runtime/message.h"

namespace
{

constexpr int32_t HV_DECREMENTER_TYPE = 26;
constexpr uint64_t LPCR_HDICE = 0x1;
constexpr uint64_t MSR_EE = 0x8000;
constexpr uint64_t MSR_HV = 1ull << 60;
constexpr uint32_t FROZEN_DEC_SLEEP = 0x80000000u;

uint64_t ticks_per_tb_cycle(const ProcessorState *core)
{
    return core && core->timebase_domain && core->timebase_domain->ticks_per_cycle
               ? core->timebase_domain->ticks_per_cycle
               : 1;
}

// The current cycle of the core's time-base domain: 0 at tick 0; the error and 0 without a kernel.
uint64_t tb_now(ProcessorState *core)
{
    GenericMachine *machine = core ? core->machine : nullptr;
    if (!machine || !machine->tsim) {
        sim_error("tsim in machine is NULL!!!!");
        return 0;
    }
    uint64_t tick = machine->tsim->now;
    if (tick == 0) return 0;
    uint64_t per_cycle = ticks_per_tb_cycle(core);
    return tick / per_cycle + (tick % per_cycle != 0);
}

bool time_frozen_by_option(const ProcessorState *core)
{
    return core && core->options[PO_FREEZE_TIME_BASE_AND_DEC];
}

// HDEC brought up to date.
int32_t current_hdec(ProcessorState *core)
{
    if (time_frozen_by_option(core)) return core->hdec_value;
    uint64_t now = tb_now(core);
    core->hdec_value = (int32_t)((uint32_t)core->hdec_value + (uint32_t)(core->hdec_last_cycle - now));
    core->hdec_last_cycle = now;
    return core->hdec_value;
}

int hdec_interrupt_enabled(ThreadState *thread)
{
    uint64_t msr = thread->MSR.value;
    bool ee_ok = (msr & MSR_EE) || !(msr & MSR_HV);
    return (thread->LPCR.value & LPCR_HDICE) && ee_ok && thread->pending_HDEC;
}

// Cycles of the time-base domain in cycles of the core's domain.
uint64_t tb_to_core_cycles(ThreadState *thread, uint64_t cycles)
{
    ProcessorState *core = thread->processor;
    return TD_Cross_Domain_Convert(cycles, core->timebase_domain, core->core_domain);
}

uint64_t cap(uint64_t e, uint64_t spent, uint64_t limit)
{
    if (spent >= e) return 0;
    return e - spent < limit ? e - spent : limit;
}

} // namespace

uint32_t ThreadState__GetDEC(ThreadState *thread)
{
    if (We_are_Assist_Thread(thread)) {
        Stop_One_Assist_Thread(thread, thread);
        return 0;
    }
    DECREMENTER *dec = thread->decrementer;
    if (!dec) return 0;
    if (time_frozen_by_option(thread->processor) || dec->frozen) return (uint32_t)dec->value;
    uint64_t now = tb_now(thread->processor);
    dec->value = (int32_t)((uint32_t)dec->value + (uint32_t)(dec->last_cycle - now));
    dec->last_cycle = now;
    return (uint32_t)dec->value;
}

void ThreadState__SetDEC(ThreadState *thread, uint32_t value)
{
    if (We_are_Assist_Thread(thread)) {
        Stop_One_Assist_Thread(thread, thread);
        return;
    }
    DECREMENTER *dec = thread->decrementer;
    if (!dec) return;
    int32_t old = (int32_t)ThreadState__GetDEC(thread);
    int32_t v = (int32_t)value;
    bool wake = !(old > 0 && v > 0 && v > old);
    dec->value = v;
    dec->last_cycle = tb_now(thread->processor);
    CheckForDECInterrupt(thread);
    if (wake && thread->dec_job) job_set(thread->dec_job, 0);
}

void Reset_Decrementer(ThreadState *thread)
{
    if (!thread) return;
    if (DECREMENTER *dec = thread->decrementer) {
        dec->frozen = 0;
        dec->value = 0;
        dec->last_cycle = tb_now(thread->processor);
    }
    ThreadState__SetDEC(thread, 0x7FFFFFFF);
}

int enabled_DEC_Interrupt(ThreadState *thread, int may_start)
{
    if ((int32_t)ThreadState__GetDEC(thread) >= 0) return 0;
    bool disabled = !SMTA_Check_Thread_Enabled(thread);
    if (disabled && thread->stall_reason == STALL_INSTRUCTION) {
        if (may_start) {
            SMTA_Start_Thread(thread, 6, 0x100);
            (void)SMTA_Check_Thread_Enabled(thread);
        }
        return 0;
    }
    if (disabled && thread->stall_reason == STALL_WAITASEC)
        SMTA_Set_Thread_Enabled(thread);
    else if (may_start)
        SMTA_Start_Thread(thread, 6, 0x100);
    return (thread->MSR.value & MSR_EE) ? 1 : 0;
}

int CheckForDECInterrupt(ThreadState *thread)
{
    if (enabled_DEC_Interrupt(thread, 1) != 1) return 0;
    return interrupt_Decrementer(thread) != nullptr;
}

void ereg_dec_callback(void *argument)
{
    auto *thread = static_cast<ThreadState *>(argument);
    job_s *self = tsim_active_job;
    for (;;) {
        uint64_t cycles = time_frozen_by_option(thread->processor) ? FROZEN_DEC_SLEEP
                                                                    : (uint64_t)ThreadState__GetDEC(thread) + 1;
        job_set(self, 1);
        if (job_wait(self, cycles * ticks_per_tb_cycle(thread->processor))) continue; // re-armed by a write
        if ((int32_t)ThreadState__GetDEC(thread) <= 0) CheckForDECInterrupt(thread);
    }
}

uint64_t ThreadState__GetDecCyclesToInterrupt(ThreadState *thread, uint64_t spent, uint64_t limit)
{
    int32_t d = (int32_t)ThreadState__GetDEC(thread);
    if (d < 0) return limit;
    return cap(tb_to_core_cycles(thread, (uint64_t)d), spent, limit);
}

uint64_t ThreadState__GetHDecCyclesToInterrupt(ThreadState *thread, uint64_t spent, uint64_t limit)
{
    if (!(thread->LPCR.value & LPCR_HDICE) || !thread->processor) return limit;
    int32_t h = current_hdec(thread->processor);
    if (h < 0) return limit;
    return cap(tb_to_core_cycles(thread, (uint64_t)h + 1), spent, limit);
}

uint32_t ThreadState__DecLimits(ThreadState *thread, uint32_t spent, uint32_t limit)
{
    uint32_t dec_cap = (uint32_t)ThreadState__GetDecCyclesToInterrupt(thread, spent, limit);
    return (uint32_t)ThreadState__GetHDecCyclesToInterrupt(thread, spent, dec_cap);
}

uint32_t ProcessorState__GetHDEC(ProcessorState *core)
{
    return (uint32_t)current_hdec(core);
}

void ProcessorState__SetHDEC(ProcessorState *core, uint32_t value)
{
    int32_t v = (int32_t)value;
    if (v < 0) CheckForHDECInterrupt(core, core->hdec_value >= 0 ? 1 : 0);
    core->hdec_value = v;
    core->hdec_last_cycle = tb_now(core);
    if (core->hdec_job) job_set(core->hdec_job, 0);
}

void Init_HDecrementer(ProcessorState *core)
{
    if (!core) return;
    if (!time_frozen_by_option(core) && !core->hdec_job && core->machine && core->machine->tsim) {
        core->hdec_job = job_new(core->machine->tsim, "hdec", h_decrementer_callback, core);
        if (core->hdec_job) job_set(core->hdec_job, 0);
    }
    Reset_HDecrementer(core);
}

void Reset_HDecrementer(ProcessorState *core)
{
    if (!core) return;
    core->hdec_value = 0;
    core->hdec_last_cycle = tb_now(core);
    ProcessorState__SetHDEC(core, 0x7FFFFFFF);
}

void h_decrementer_callback(void *argument)
{
    auto *core = static_cast<ProcessorState *>(argument);
    job_s *self = tsim_active_job;
    for (;;) {
        uint32_t h = (uint32_t)current_hdec(core);
        job_set(self, 1);
        if (job_wait(self, ((uint64_t)h + 1) * ticks_per_tb_cycle(core))) continue;
        int32_t stored = core->hdec_value;
        int edge = stored >= 0 && current_hdec(core) < 0 ? 1 : 0;
        CheckForHDECInterrupt(core, edge);
    }
}

void CheckForHDECInterrupt(ProcessorState *core, int edge)
{
    for (uint32_t i = 0; core->threads && i < core->num_threads; i++)
        CheckForHDECInterrupt_Thread(&core->threads[i], edge);
}

void CheckForHDECInterrupt_Thread(ThreadState *thread, int edge)
{
    if (!thread->pending_HDEC) {
        if (edge != 1 || !SMTA_Check_Thread_Enabled(thread)) return;
        thread->pending_HDEC = 1;
        if (hdec_interrupt_enabled(thread)) interrupt_HV_Decrementer(thread);
        return;
    }
    if (FindException_ByType(thread, HV_DECREMENTER_TYPE)) return;
    if (hdec_interrupt_enabled(thread)) interrupt_HV_Decrementer(thread);
}
