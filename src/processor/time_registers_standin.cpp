// Stand-ins of the time-base, decrementer, PURR and TFMR operations.
#include "kernel/counter.h"
#include "kernel/job.h"
#include "kernel/tsim.h"
#include "machine/generic_machine.h"
#include "processor/processor_state.h"
#include "processor/thread_state.h"
#include "processor/time_registers.h"

// STAND-IN: the time base does not advance yet: the lazy update from the time-base domain's
// cycles, the frozen flag and the partition views come with the time-base code. The time base
// is the stored value.
__attribute__((weak)) uint64_t ProcessorState__GetTB(ProcessorState *core)
{
    return core->tb_value;
}

// STAND-IN: see ProcessorState__GetTB.
__attribute__((weak)) uint32_t ProcessorState__GetTBU(ProcessorState *core)
{
    return (uint32_t)(ProcessorState__GetTB(core) >> 32);
}

// STAND-IN: see ProcessorState__GetTB.
__attribute__((weak)) uint32_t ProcessorState__GetTBL(ProcessorState *core)
{
    return (uint32_t)ProcessorState__GetTB(core);
}

// STAND-IN: stores the value; the time-base cycle bookkeeping comes with the time-base code.
__attribute__((weak)) void RAW_SET_TB(ProcessorState *core, uint64_t value)
{
    core->tb_value = value;
}

// STAND-IN: see RAW_SET_TB; records the partial write in the TB slot.
__attribute__((weak)) void RAW_SET_TBU(ProcessorState *core, uint32_t value)
{
    core->tb_value = ((uint64_t)value << 32) | (core->tb_value & 0xFFFFFFFFull);
    core->TB.bits_written.valid = 1;
    core->TB.bits_written.mask = 0xFFFFFFFF00000000ull;
}

// STAND-IN: see RAW_SET_TB; records the partial write in the TB slot.
__attribute__((weak)) void RAW_SET_TBL(ProcessorState *core, uint32_t value)
{
    core->tb_value = (core->tb_value & 0xFFFFFFFF00000000ull) | value;
    core->TB.bits_written.valid = 1;
    core->TB.bits_written.mask = 0x00000000FFFFFFFFull;
}

// STAND-IN: no PURR adjustment (sharing elapsed time-base ticks among the threads) yet.
__attribute__((weak)) uint64_t RAW_GET_PURR(ThreadState *thread)
{
    return thread->PURR.value;
}

// STAND-IN: see RAW_GET_PURR.
__attribute__((weak)) uint64_t RAW_GET_SPURR(ThreadState *thread)
{
    return thread->SPURR.value;
}

// STAND-IN: see RAW_GET_PURR.
__attribute__((weak)) void RAW_SET_PURR(ThreadState *thread, uint64_t value)
{
    thread->PURR.value = value;
}

// STAND-IN: see RAW_GET_PURR.
__attribute__((weak)) void RAW_SET_SPURR(ThreadState *thread, uint64_t value)
{
    thread->SPURR.value = value;
}

// STAND-IN: the timer-facility state machine (status bits, TB state changes, the machine-wide TB
// synchronisation) is missing; the value is only split into the thread's bits 6..0 and the core's
// bits 63..7.
__attribute__((weak)) void RAW_SET_TFMR(ThreadState *thread, uint64_t value)
{
    thread->tfmr_per_thread = value & 0x7F;
    if (thread->processor) thread->processor->tfmr_per_processor = value & ~0x7Full;
}

// STAND-IN: the decrementer does not count down yet (no time-base cycles, no decrementer job);
// it is the stored value, 0 without a decrementer record.
__attribute__((weak)) uint32_t ThreadState__GetDEC(ThreadState *thread)
{
    return thread->decrementer ? (uint32_t)thread->decrementer->value : 0;
}

// STAND-IN: stores the value; re-arming the decrementer job and the interrupt check are missing.
__attribute__((weak)) void ThreadState__SetDEC(ThreadState *thread, uint32_t value)
{
    if (thread->decrementer) thread->decrementer->value = (int32_t)value;
}

// STAND-IN: the hypervisor decrementer does not count down yet; it is the stored value.
__attribute__((weak)) uint32_t ProcessorState__GetHDEC(ProcessorState *core)
{
    return (uint32_t)core->hdec_value;
}

// STAND-IN: stores the value; the zero-crossing interrupt check and the HDEC job are missing.
__attribute__((weak)) void ProcessorState__SetHDEC(ProcessorState *core, uint32_t value)
{
    core->hdec_value = (int32_t)value;
}

namespace
{

// The current cycle of the processor's time-base domain (the tick rounded up).
uint64_t timebase_cycle_now(ProcessorState *core)
{
    uint64_t now = core && core->machine && core->machine->tsim ? core->machine->tsim->now : 0;
    uint64_t per_cycle = core && core->timebase_domain && core->timebase_domain->ticks_per_cycle
                             ? core->timebase_domain->ticks_per_cycle
                             : 1;
    return now / per_cycle + (now % per_cycle ? 1 : 0);
}

} // namespace

// STAND-IN: the decrementer module is not built; the record is cleared and stamped with the
// current time-base cycle, then DEC goes through the (stand-in) DEC setter.
__attribute__((weak)) void Reset_Decrementer(ThreadState *thread)
{
    if (!thread) return;
    if (DECREMENTER *dec = thread->decrementer) {
        dec->frozen = 0;
        dec->value = 0;
        dec->last_cycle = timebase_cycle_now(thread->processor);
    }
    ThreadState__SetDEC(thread, 0x7FFFFFFF);
}

// STAND-IN: the hypervisor decrementer's job "hdec" is not built; only the reset runs.
__attribute__((weak)) void Init_HDecrementer(ProcessorState *core)
{
    Reset_HDecrementer(core);
}

// STAND-IN: the HDEC value and stamp are set as the hypervisor decrementer will; the HDEC setter
// is a stand-in too.
__attribute__((weak)) void Reset_HDecrementer(ProcessorState *core)
{
    if (!core) return;
    core->hdec_value = 0;
    core->hdec_last_cycle = timebase_cycle_now(core);
    ProcessorState__SetHDEC(core, 0x7FFFFFFF);
}

// STAND-IN: the PURR accounting is not built; the marks it starts from are refreshed.
__attribute__((weak)) void Update_PURR_state(ProcessorState *core)
{
    if (!core) return;
    for (uint32_t i = 0; core->threads && i < core->num_threads; i++)
        core->threads[i].instructions_at_last_purr = core->threads[i].Instruction_Number;
    core->tb_at_last_purr = ProcessorState__GetTB(core);
}

// STAND-IN: the decrementer does not count down yet; its job stays parked on its own counter.
__attribute__((weak)) void Decrementer_Body(void *)
{
    job_s *self = tsim_active_job;
    for (;;) {
        counter_set(&self->counter, 1);
        job_sync(self);
    }
}
