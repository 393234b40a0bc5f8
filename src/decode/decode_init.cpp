#include "decode/decode_init.h"

// STAND-IN: the operand-field printers are not built yet.
void Init_Instruction_Parameter_Table(void) {}

