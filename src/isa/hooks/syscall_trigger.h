// The system-call triggers of a machine: Tcl commands run when a guest makes a system call with a
// given number (tested by "sc" before the system-call interrupt).
// Declared here for the floors that call it; defined by the execution engine
// (exec/pc_triggers.cpp).
#pragma once

#include <cstdint>

struct GenericMachine;
struct ThreadState;

// Runs the machine's system-call trigger registered for the number, if any; the result is not
// used by "sc".
int Trigger_Syscall__Check(GenericMachine *machine, ThreadState *thread, uint64_t number);
