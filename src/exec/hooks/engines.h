// The translator's engines and statistics hooks as the chunk loop calls them: the translated-code
// engines, the instruction profile, the trace library and the instruction mix.
// Declared here for the floors that call it; defined by the translator (turbo_go.cpp,
// pturbo_engine.cpp, imix.cpp) and the trace libraries (trace/trace_lib.cpp, trace/inst_profile.cpp).
#pragma once

#include <cstdint>

#include "isa/hooks/trace_events.h"

struct ThreadState;

// Run up to n instructions of translated code (TURBO, mode 8) or the parallel translator's budget
// (PTURBO); each returns the number executed and leaves the stopping instruction to the interpreter.
uint32_t turbo_go(ThreadState *thread, uint32_t n);
uint32_t pturbo_go(ThreadState *thread);
// Instruction profile.
int prof_is_on(void);
// prof_lookup and prof_entry: isa/hooks/trace_events.h.
// Trace library records.
void trc_smt(ThreadState *thread);
void trc_mem(uint64_t ea, prof_entry *entry);
void trc_ins(uint32_t word, uint64_t ea, prof_entry *entry);
// Instruction mix: on, and the operation-kind index of a word.
int imix_is_on(void);
uint32_t turbo_id(uint32_t word);
