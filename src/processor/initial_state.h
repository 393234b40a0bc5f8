// Returning a machine's processors to their initial state, and the start-up state of a thread
// that runs a standalone program.
#pragma once

struct GenericMachine;
struct ThreadState;

// Every processor of the machine ("Processor" devices, in number order) back to its initial state;
// in standalone mode each of its threads then gets the standalone initial state.
void GenericMachine__SetInitialState(GenericMachine *machine);
// Standalone program start-up: GPR5's initial value 0; the MSR with FP, VEC and VSX, written at once
// and kept as its initial value; the FPSCR's initial value rounding toward zero; LPCR's initial
// value 0. Only the MSR changes at once; the rest takes effect at the next reset.
void ThreadState__SetStandaloneModeInitialState(ThreadState *thread);
