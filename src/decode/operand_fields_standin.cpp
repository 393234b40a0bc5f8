// Stand-in of the operand-field printer tables.
#include "decode/operand_fields.h"

// STAND-IN: the field printers and the per-class field lists are not built; every slot is empty,
// so the exerciser trace prints no operand fields.
__attribute__((weak)) nif_printer nif_table[NIF_TABLE_SIZE] = {};
__attribute__((weak)) const uint32_t *iparameter_table[IPARAMETER_TABLE_SIZE] = {};
