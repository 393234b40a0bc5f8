// Listing texts of the micro-operations of the load and store multiple forms (the "PRINT_LM" and
// "PRINT_STM" templates of the disassembler).
#pragma once

#include <cstddef>

struct IOPDesc;

// "lmd     r%d,%d(r%d)", "lmw ...", "lfd     f%d,%d(r%d)" by primary opcode, else
// "*unrecognized* 0x%08X".
void Disassemble_Load_Multiple_Ucode(char *buffer, size_t size, IOPDesc *iop);
// The store forms: "stmd", "stmw", "stfd".
void Disassemble_Store_Multiple_Ucode(char *buffer, size_t size, IOPDesc *iop);
