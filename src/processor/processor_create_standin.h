// Processors made outside any machine (the command "define cpu").
#pragma once

struct ProcessorState;
struct PropertyList;

// A processor built from the configuration under the name, registered as an object of kind 4;
// null on failure.
ProcessorState *Processor_Create(PropertyList *list, const char *name);
