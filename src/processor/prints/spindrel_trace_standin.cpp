// Stand-in of the exerciser trace line.
#include "processor/prints/spindrel_trace_standin.h"

// STAND-IN: the exerciser trace is not built; nothing is printed.
__attribute__((weak)) void Print_Spindrel_Trace(IOPDesc *) {}
