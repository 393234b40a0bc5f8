// Stand-ins of the per-instruction aids.
#include "exec/instruction_hooks.h"

FILE *Quarn_Architectural_Coverage_File = nullptr;

// STAND-IN: the disassembler is not built; nothing is printed.
__attribute__((weak)) void CheckDebugInstruction(IOPDesc *) {}

// STAND-IN: the coverage report is not built; the line is empty.
__attribute__((weak)) void PrintArchitecturalCoverage(char *buffer, int size, IOPDesc *, int)
{
    if (buffer && size > 0) buffer[0] = '\0';
}
