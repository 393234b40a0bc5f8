// Processor clocks and the time base as the execution engine keeps them: the current cycle of a
// processor's core and time-base clocks, the time-base reset and thaw, and three register bit
// operations (the LPCR[LPES] reader, the PPR32 priority writer, the quieting of a double NaN).
#pragma once

#include <cstdint>

struct IOPDesc;
struct ProcessorState;
struct ThreadState;

// The kernel tick rounded up to whole cycles of the thread's core clock (0 at tick 0).
uint64_t Thread_Current_Cycle(ThreadState *thread);
// The same for the processor's time-base clock.
uint64_t ProcessorState_Current_Cycle(ProcessorState *processor);
// Clears the processor's time base and starts it at the current time-base cycle, which it returns.
uint64_t Init_TimeBase(ProcessorState *processor);
// Unfreezes a frozen time base and the decrementers of the processor's threads from the current
// time-base cycle (the frozen interval does not count); returns that cycle.
uint64_t ProcessorState_Thaw_Time_Base(ProcessorState *processor);
// LPCR[LPES0] (n 0) or LPCR[LPES1] (n 1); LPES1 reads 1 when the processor has no LPES1.
int LPCR_LPES_Bit(IOPDesc *iop, int n);
// Writes the priority (its low three bits) into PPR32's priority field through the mtspr rules.
void set_PPR32_priority(IOPDesc *iop, int32_t priority);
// Sets the top fraction bit of a double image (a signalling NaN becomes quiet).
void DP_Make_Quiet(uint64_t *image);
