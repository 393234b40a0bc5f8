// What the functional processor tells the cycle-level core model about run states and priorities.
// Declared here for the floors that call it; defined by the cycle-level core
// (core/core_state_standin.cpp).
#pragma once

struct ProcessorState;
struct ThreadState;

// Stalls or unstalls the thread's pipeline as its run state says.
void Thread_changing_state(ThreadState *thread);
// Thread_changing_state for every thread of the core, when the core model exists.
void Processor_changing_state(ProcessorState *core);
// The thread's priority (values above 6 become 6) for the core model's issue shares.
