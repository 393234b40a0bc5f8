// Stand-ins of the per-instruction aids.
#include "exec/instruction_hooks.h"

// STAND-IN: the instruction debug printer is not built; nothing is printed.
__attribute__((weak)) void CheckDebugInstruction(IOPDesc *) {}
