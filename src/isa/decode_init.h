// Start-up of the instruction tables: the operand-field printers and the decoder table.
#pragma once

// Fills the table of operand-field printers.
void Init_Instruction_Parameter_Table(void);
// The decoder-table initialiser of this build, called once at start-up through the pointer.
extern void (*Init_DecodeTable)(void);
