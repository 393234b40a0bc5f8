// The time-base, decrementer, PURR/SPURR and TFMR operations that the register accessors of TB,
// TBL, TBU, HDEC, DEC, PURR, SPURR and TFMR go through.
#pragma once

#include <cstdint>

struct ProcessorState;
struct ThreadState;

uint64_t ProcessorState__GetTB(ProcessorState *core);
uint32_t ProcessorState__GetTBU(ProcessorState *core);
uint32_t ProcessorState__GetTBL(ProcessorState *core);
void RAW_SET_TB(ProcessorState *core, uint64_t value);
void RAW_SET_TBU(ProcessorState *core, uint32_t value);
void RAW_SET_TBL(ProcessorState *core, uint32_t value);

uint64_t RAW_GET_PURR(ThreadState *thread);
uint64_t RAW_GET_SPURR(ThreadState *thread);
void RAW_SET_PURR(ThreadState *thread, uint64_t value);
void RAW_SET_SPURR(ThreadState *thread, uint64_t value);

// The timer-facility write (status bits, per-thread and per-core parts).
void RAW_SET_TFMR(ThreadState *thread, uint64_t value);

uint32_t ThreadState__GetDEC(ThreadState *thread);
void ThreadState__SetDEC(ThreadState *thread, uint32_t value);
uint32_t ProcessorState__GetHDEC(ProcessorState *core);
void ProcessorState__SetHDEC(ProcessorState *core, uint32_t value);

// The decrementer reset: record cleared and stamped, then DEC := 0x7FFFFFFF.
void Reset_Decrementer(ThreadState *thread);
// The hypervisor decrementer of a processor: set-up (its job, then the reset) and reset (HDEC 0,
// stamped now, then 0x7FFFFFFF).
void Init_HDecrementer(ProcessorState *core);
void Reset_HDecrementer(ProcessorState *core);
// Every thread's instruction count and the processor's time base as of the last PURR update.
void Update_PURR_state(ProcessorState *core);

// The body of a thread's decrementer job "dec %s" (argument: the thread).
void Decrementer_Body(void *thread);
