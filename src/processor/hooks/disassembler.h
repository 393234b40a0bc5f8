// The instruction disassembler.
// Declared here for the floors that call it; defined by the execution engine
// (exec/disassembler_standin.cpp).
#pragma once

#include <cstddef>

struct IOPDesc;

// Writes the disassembly of the instruction (64-bit forms when is64 is set) into the buffer of
// that size; returns the buffer.
char *disassemble(char *buffer, size_t size, IOPDesc *iop, int is64);
