// The time-base state of a processor as the execution engine sets it up.
#pragma once

struct ProcessorState;

// Clears the processor's time-base state and stamps it with the current time-base cycle (the
// kernel's tick divided by the time-base domain's ticks per cycle, rounded up).
void Init_TimeBase(ProcessorState *processor);
