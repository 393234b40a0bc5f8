// Marking a processor configured: what a program loader calls once an image is in memory.
#pragma once

struct ProcessorState;

// Puts the processor into the running state with the reason text, sets its first thread running
// and starts it.
void CPU_ConfigOn(ProcessorState *processor, const char *reason);
