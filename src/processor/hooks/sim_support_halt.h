// The sim-support halt: a thread that has nothing to do gives up its time until something may
// have changed, and the settings that govern it. Declared here for the floors that call it (idle
// loops of the semantics, SMT priorities); defined by the guest services
// (guest/sim_support_halt.cpp).
#pragma once

#include <cstdint>

struct ThreadState;

// Delay in cycles of a halt (1000 at start).
extern uint64_t BogusHaltDelay;

// 0 when the halt is switched off; 1 (nothing done) when the thread has a decrementer interrupt
// pending or an interrupt queued; otherwise delays the thread and gives 0.
int SimBogusHalt(ThreadState *thread);
// The halt switch (1 at start).
int Get_BogusHalt(void);
void Set_BogusHalt(int value);
