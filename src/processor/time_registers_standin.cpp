// Stand-ins of the time-base, decrementer, PURR and TFMR operations.
#include "kernel/counter.h"
#include "kernel/tsim.h"
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

// STAND-IN: the decrementer does not count down yet; its job stays parked on its own counter.
__attribute__((weak)) void Decrementer_Body(void *)
{
    job_s *self = tsim_active_job;
    for (;;) {
        counter_set(&self->counter, 1);
        counter_wait(&self->counter, 0);
    }
}
