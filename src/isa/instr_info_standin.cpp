#include "isa/instr_info.h"

// STAND-IN: the instruction table is not built yet. These few rows stand for it, so that the
// commands that edit and display rows have something to work on. Weak, so that the instruction
// table's definitions replace them.
__attribute__((weak)) InstrInfo instruction_info_table[] = {
    {"INVALID", "", 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, {0, 0, 0, 0}, 1, 0, nullptr, nullptr, nullptr},
    {"add", "", 0, 0, II_FIXED, 0, 0, 1, 0, 0, 0, 1, {0, 0, 0, 0}, 1, 0, nullptr, nullptr, nullptr},
    {"addi", "", 0, 0, II_FIXED, 0, 0, 2, 0, 0, 0, 1, {0, 0, 0, 0}, 1, 0, nullptr, nullptr, nullptr},
    {"b", "", 0, 0, II_BRANCH, 0, 10, 3, 0, 0, 0, 1, {0, 0, 0, 0}, 1, 0, nullptr, nullptr, nullptr},
    {"bc", "", 0, 0, II_BRANCH, 0, 10, 4, 0, 0, 0, 1, {0, 0, 0, 0}, 1, 0, nullptr, nullptr, nullptr},
    {"lwz", "", 0, 0, II_LOAD, 0, 3, 5, 4, 0, 0, 1, {0, 0, 0, 0}, 1, 0, nullptr, nullptr, nullptr},
    {"stw", "", 0, 0, II_STORE, 0, 4, 6, 4, 0, 0, 1, {0, 0, 0, 0}, 1, 0, nullptr, nullptr, nullptr},
};

__attribute__((weak)) uint32_t InstrInfo_Table_Size(void)
{
    return sizeof instruction_info_table / sizeof instruction_info_table[0];
}
