// Stand-ins of the per-instruction plug-in events.
#include "runtime/instruction_events.h"

// STAND-IN: the plug-in listener rings are not built; nobody listens.
__attribute__((weak)) void Event_Instruction_PreExecution(IOPDesc *) {}
__attribute__((weak)) void Event_Instruction_Commit(IOPDesc *) {}
