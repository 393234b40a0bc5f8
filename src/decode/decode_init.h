// Start-up of the operand-field printers (the decoder table is decode/decoder.h).
#pragma once

// Fills nif_table with the field printers and iparameter_table with the operand classes' field
// lists (decode/operand_fields.h); run once at start-up, before the decoder table is initialised.
void Init_Instruction_Parameter_Table(void);
