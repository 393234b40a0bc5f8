// Start-up of the operand-field printers (the decoder table is decode/decoder.h).
#pragma once

// Fills the table of operand-field printers.
void Init_Instruction_Parameter_Table(void);
