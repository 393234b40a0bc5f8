// SMT priority requests of instructions: the priority no-ops "or n,n,n" and the translator's
// requests.
// Declared here for the floors that call it; defined by the execution engine
// (exec/smt_priority.cpp).
#pragma once

#include <cstdint>

struct IOPDesc;

// On a core of two or more threads, an "or" whose RS, RA and RB fields are one register n of the
// priority no-ops (1, 2, 3, 5, 6, 7, 31) requests the SMT priority of n for the thread. The field
// test comes first: every "or" calls it.
void SMTA_Adjust_Priorities_for_NOP(IOPDesc *iop);

// The privilege that permits the thread to take the priority ("hypervisor", "user",
// "supervisor"), or null when the request is refused.
const char *SMTA_Check_Priority(IOPDesc *iop, int32_t priority);
// Applies the priority to the instruction's thread when SMTA_Check_Priority permits it.
void SMTA_Adjust_Priorities(IOPDesc *iop, int32_t priority);
