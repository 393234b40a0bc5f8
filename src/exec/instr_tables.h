// Instruction tables by key: the static table for key 0, private copies for other keys.
#pragma once

#include <cstdint>

#include "isa/instr_info.h"

// Rows of the table of `key`: the static table for 0; otherwise the copy of that key, made on the
// first request from the static table as it is then. Null only when the copy cannot be allocated.
InstrInfo *InstrInfo__id2table(int32_t key);
// Frees every private copy.
void InstrInfo__Quit(void);
