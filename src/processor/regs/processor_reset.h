// The initial register state of processors and threads: the reset that puts every register to its
// configured initial value restricted to its implemented bits, the standalone-program layer on
// top of it, and the reset entry points of the machine and the embedding interface.
#pragma once

#include <cstdint>

struct GenericMachine;
struct ProcessorState;
struct ThreadState;

// Resets the processor and each of its threads; no register trigger fires.
void ProcessorState__SetInitialState(ProcessorState *processor);
void Processor_Reset(ProcessorState *processor);
// Resets every processor of the machine in number order; in standalone mode then gives each
// thread its standalone initial state.
void GenericMachine__SetInitialState(GenericMachine *machine);
// GPR5, FPSCR (round toward zero) and LPCR initial values for the next reset; the MSR gains FP,
// VEC and VSX at once.
void ThreadState__SetStandaloneModeInitialState(ThreadState *thread);
// Resets the thread's processor and drops every effective-address map.
extern "C" void LIBSIM__Reset(ThreadState *thread);
