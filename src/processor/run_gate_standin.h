// The run gate of a thread job and the decrementer cap of a chunk, as the chunk loop asks them.
#pragma once

#include <cstdint>

struct ThreadState;

// 1 when the thread may run; with wait 1 the job waits until it may (never 0), with wait 0 the
// answer is given at once.
int Check_Can_Run(ThreadState *thread, int wait);
// n capped by the processor cycles left before the thread's DEC (or, with LPCR[HDICE], the HDEC)
// reaches its interrupt point, each less the offset.
uint32_t ThreadState__DecLimits(ThreadState *thread, uint32_t offset, uint32_t n);
