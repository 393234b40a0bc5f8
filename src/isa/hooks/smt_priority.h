// SMT priority requests of instructions: the priority no-ops "or n,n,n".
// Declared here for the floors that call it; defined by the execution engine
// (exec/smt_priority_standin.cpp).
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// On a core of two or more threads, an "or" whose RS, RA and RB fields are one register n of the
// priority no-ops (1, 2, 3, 5, 6, 7, 31) requests the SMT priority of n for the thread. The field
// test comes first: every "or" calls it.
void SMTA_Adjust_Priorities_for_NOP(IOPDesc *iop);

// Whether the instruction's thread may set the SMT priority (non-zero: yes).
int SMTA_Check_Priority(IOPDesc *iop, int32_t priority);
// Applies the priority to the instruction's thread.
void SMTA_Adjust_Priorities(IOPDesc *iop, int32_t priority);

// STAND-IN support: the priority requests the stand-in made.
struct SmtPriorityStandinLog {
    long requests;
    ThreadState *thread;
    int32_t priority;
};
extern SmtPriorityStandinLog smt_priority_standin_log;
