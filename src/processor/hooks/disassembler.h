// The instruction disassembler.
// Declared here for the floors that call it; defined by the execution engine
// (exec/disassembler.cpp).
#pragma once

#include <cstddef>

struct IOPDesc;

// Writes the disassembly of the instruction (64-bit forms when is64 is set) into the buffer of
// that size; returns the buffer.
char *disassemble(char *buffer, size_t size, IOPDesc *iop, int is64);

// The SPR-name field of an mfspr/mtspr: the processor's name for the SPR of the split field, else
// "spr%d" ("spr-1" without an instruction), within size bytes. Defined by the command floor
// (command/instruction_support.cpp).
void disassemble_spr_field(char *out, size_t size, IOPDesc *iop);
