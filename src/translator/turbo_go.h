// The translator's run loop: turbo_go runs a thread's translated code for at most a budget of
// instructions, pass after pass, charging the instructions and their time after each exit and
// carrying out what the exit reason asks; the selection of the thread's translation masks; the
// accounting helpers.
#pragma once

#include <cstdint>

#include "exec/hooks/engines.h"

struct ThreadState;
struct emat_s;
struct xframe;

// The budget of a pass that asks to be continued, and the sim-support code of a halt.
constexpr uint64_t TURBO_SUPPORT_HALT = 126;
constexpr int32_t TURBO_LOW_PRIORITY_COUNT = 20;
constexpr uint32_t TURBO_IDLE_CHUNK = 1000;

// The fetch and data masks (and the instruction-mix table) for the thread's current MSR and modes.
void turbo_update_xlate(ThreadState *thread);
// Ticks for n instructions: n x (delay + 1) with a positive delay factor, else n, times the
// ticks per cycle of the processor's domain (1 without one).
uint64_t turbo_calc_delay(ThreadState *thread, uint64_t n, uint64_t delay);
// The share of turbo.not_reported that falls into the cycle window [from, to).
uint64_t turbo_get_delta_instructions(ThreadState *thread, uint64_t from, uint64_t to);
// Prints nothing.
void turbo_show_stats(void);
