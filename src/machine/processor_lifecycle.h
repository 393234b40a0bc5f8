// The processor and thread life cycle: creating a processor record, initialising it from the
// configuration (options, chip version, decoder, clocks, ERATs, TLB, masks, threads with their
// jobs, loops and registers, SPR tables, initial MSR and PC, the first reset), defining the
// registers of threads and processors, and tearing both down.
#pragma once

#include <cstdint>

struct ProcessorState;
struct PropertyList;
struct ThreadState;

// A zeroed processor record registered as an object of kind 4 under the name; null on failure.
// The property list is not used.
ProcessorState *Processor_Create(PropertyList *list, const char *name);
// Reads every per-core setting once and builds the core; ends with the first reset. A bad ERAT
// count is a fatal internal error.
void Processor_Init(ProcessorState *processor, PropertyList *list);
// Initialises thread i of the processor (called by Processor_Init only).
void Thread_Init(ProcessorState *processor, uint32_t index, ThreadState *thread, PropertyList *list);
void Thread_Quit(ThreadState *thread);
// Tears the processor and its threads down; the quit routine of "Processor" devices. Also takes a
// record that was only created.
void Processor_Quit(void *processor);
// The thread's SLB: "number_of_SLB_Entries" zeroed entries owned by the thread (none for 0).
void SLB_Init(ThreadState *thread, PropertyList *list);
