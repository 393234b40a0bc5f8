// Per-instruction hooks of the execution engine's aids: the soft-patch match, the debug print of an
// interpreted instruction, the architectural coverage line and its file.
#pragma once

#include <cstdint>
#include <cstdio>

#include "processor/prints/instruction_prints.h"

struct IOPDesc;

// 0 when the instruction was replaced by the soft-patch interrupt; may turn the word into a no-op.
int check_for_imc_match(IOPDesc *iop);
// CheckDebugInstruction, the debug line of an instruction: processor/prints/instruction_prints.h.
// One coverage line of at most size characters.
void PrintArchitecturalCoverage(char *buffer, int size, IOPDesc *iop, int sf);
extern FILE *Quarn_Architectural_Coverage_File;
