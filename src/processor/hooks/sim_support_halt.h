// The sim-support halt delay: a thread gives up its time until something may have changed.
// Declared here for the floors that call it; defined by the guest services
// (guest/sim_support_halt_standin.cpp).
#pragma once

struct ThreadState;

// 0 when the halt-delay feature is off; 1 (nothing done) when the thread has pending exceptions;
// otherwise delays the thread and gives 0.
int SimBogusHalt(ThreadState *thread);

// STAND-IN: the number of calls so far, while the halt delay is a stand-in.
extern int simbogushalt_standin_calls;
