// The lazy time registers: the time base (value plus the time-base cycle at which it was true),
// PURR and SPURR shared out among a core's threads, the TFMR write, the decrementers (DEC per
// thread, HDEC per processor) with their kernel jobs and the chunk caps they impose, the
// machine-wide freeze and thaw, and the external-interrupt hook of the interrupt controllers.
#pragma once

#include <cstdint>

struct GenericMachine;
struct ProcessorState;
struct ThreadState;

// Time base. Every read and write first brings the time base up to date.
void ProcessorState__UpdateTB(ProcessorState *core);
uint64_t ProcessorState__GetTB(ProcessorState *core);
uint32_t ProcessorState__GetTBU(ProcessorState *core);
uint32_t ProcessorState__GetTBL(ProcessorState *core);
// The time base of the thread's TB processor (its partition core).
uint64_t ThreadState__GetTB(ThreadState *thread);
uint32_t ThreadState__GetTBU(ThreadState *thread);
// Full 64-bit write: PURR shares up to now, new value, PURR marks refreshed.
void ProcessorState__SetTB(ProcessorState *core, uint64_t value);
void ThreadState__SetTB(ThreadState *thread, uint64_t value);
void RAW_SET_TB(ProcessorState *core, uint64_t value);
// Half writes: the other half keeps its current bits; the TB slot records the written half.
void RAW_SET_TBU(ProcessorState *core, uint32_t value);
void RAW_SET_TBL(ProcessorState *core, uint32_t value);
void ProcessorState__SetTBU(ProcessorState *core, uint32_t value);
void ProcessorState__SetTBL(ProcessorState *core, uint32_t value);
// (ProcessorState__SetTB40, ThreadState__SetTB40, ThreadState__SetTBU and ThreadState__SetTBL are
// declared in processor/spr/spr_services.h.)

// PURR and SPURR.
uint64_t RAW_GET_PURR(ThreadState *thread);
uint64_t RAW_GET_SPURR(ThreadState *thread);
void RAW_SET_PURR(ThreadState *thread, uint64_t value);
void RAW_SET_SPURR(ThreadState *thread, uint64_t value);
// Shares the time-base ticks elapsed since the last update among the core's threads (by RWMR).
void Adjust_PURR_Values(ThreadState *thread);
// Every thread's instruction count and the processor's time base as of the last PURR update.
void Update_PURR_state(ProcessorState *core);

// The TFMR write (status bits, the machine-wide TB synchronisation of bit 45).
void RAW_SET_TFMR(ThreadState *thread, uint64_t value);

// Freeze and thaw of one processor's TB and decrementers, and of every processor of a machine.
void ProcessorState_Freeze_Time_Base(ProcessorState *core);
uint64_t ProcessorState_Thaw_Time_Base(ProcessorState *core);
void GenericMachine__Freeze_Time_Base(GenericMachine *machine);
void GenericMachine__Thaw_Time_Base(GenericMachine *machine);

// Decrementer.
uint32_t ThreadState__GetDEC(ThreadState *thread);
void ThreadState__SetDEC(ThreadState *thread, uint32_t value);
// The decrementer reset: record cleared and stamped, then DEC := 0x7FFFFFFF.
void Reset_Decrementer(ThreadState *thread);
// 1 when the decrementer interrupt is enabled (DEC negative and MSR[EE]); with may_start a
// thread sleeping in a power-saving state is started instead.
int enabled_DEC_Interrupt(ThreadState *thread, int may_start);
// Raises the decrementer interrupt when enabled; non-zero when raised.
int CheckForDECInterrupt(ThreadState *thread);
// The body of a thread's decrementer job "dec %s" (argument: the thread).
void ereg_dec_callback(void *thread);
// The most cycles (of the core) a chunk may run before the decrementer (resp. the hypervisor
// decrementer) crosses zero, given b cycles spent and the limit c.
uint64_t ThreadState__GetDecCyclesToInterrupt(ThreadState *thread, uint64_t spent, uint64_t limit);
uint64_t ThreadState__GetHDecCyclesToInterrupt(ThreadState *thread, uint64_t spent, uint64_t limit);
uint32_t ThreadState__DecLimits(ThreadState *thread, uint32_t spent, uint32_t limit);

// Hypervisor decrementer.
uint32_t ProcessorState__GetHDEC(ProcessorState *core);
void ProcessorState__SetHDEC(ProcessorState *core, uint32_t value);
// Set-up (its job "hdec", then the reset) and reset (HDEC 0, stamped now, then 0x7FFFFFFF).
void Init_HDecrementer(ProcessorState *core);
void Reset_HDecrementer(ProcessorState *core);
// The body of a processor's job "hdec" (argument: the processor).
void h_decrementer_callback(void *core);
void CheckForHDECInterrupt(ProcessorState *core, int edge);
void CheckForHDECInterrupt_Thread(ThreadState *thread, int edge);

// The thread's external interrupt raised by an interrupt controller: one persistent record.
void raise_persistent_exception(ThreadState *thread);
