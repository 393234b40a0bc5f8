// Per-instruction hooks of the execution engine's aids: the soft-patch match, the debug print of an
// interpreted instruction, the architectural coverage line and its file.
#pragma once

#include <cstdint>
#include <cstdio>

struct IOPDesc;

// 0 when the instruction was replaced by the soft-patch interrupt; may turn the word into a no-op.
int check_for_imc_match(IOPDesc *iop);
// Prints the interpreted instruction (debug category 12).
void CheckDebugInstruction(IOPDesc *iop);
// One coverage line of at most size characters.
void PrintArchitecturalCoverage(char *buffer, int size, IOPDesc *iop, int sf);
extern FILE *Quarn_Architectural_Coverage_File;
