// The processor and thread life cycle as the machine reaches it: creating a processor record,
// initialising it (options, chip version, reservation granule, threads, run state) from the
// configuration, defining its processor-scope registers, and tearing it down.
#pragma once

struct ProcessorState;
struct PropertyList;

// A zeroed processor record registered as an object of kind 4 under the name; null on failure.
// The property list is not used.
ProcessorState *Processor_Create(PropertyList *list, const char *name);
void Processor_Init(ProcessorState *processor, PropertyList *list);
// Tears the processor and its threads down; the quit routine of "Processor" devices.
void Processor_Quit(void *processor);
// Defines the processor-scope registers of a processor state.
void Define_Processor_Registers(ProcessorState *processor);
