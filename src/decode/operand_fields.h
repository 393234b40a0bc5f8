// The operand-field printers of the exerciser trace: one printer per instruction field
// (nif_table, by field id) and one list of field ids per operand class (iparameter_table, by the
// row's operand_class, each list ended by 0).
#pragma once

#include <cstdint>

typedef void (*nif_printer)(uint32_t word);

constexpr int NIF_TABLE_SIZE = 166;
constexpr int IPARAMETER_TABLE_SIZE = 228;

extern nif_printer nif_table[NIF_TABLE_SIZE];
extern const uint32_t *iparameter_table[IPARAMETER_TABLE_SIZE];
