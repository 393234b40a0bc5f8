// Instruction tables by key (the static table for key 0, private copies for other keys) and the decode
// entry point of the translator, the cycle-level core and the tools.
#pragma once

#include <cstdint>

#include "decode/instr_info.h"

struct ProcessorState;

// A keyed private copy of the instruction table.
struct InstrInfo_Table {
    InstrInfo_Table *next; // the list of copies, newest first
    InstrInfo *rows;       // NUM_II_ENTRIES rows, owned by the record
    int32_t key;           // never 0
};

// Head of the list of private copies.
extern InstrInfo_Table *specialInstrInfoTables;

// Rows of the table of `key`: the static table for 0; otherwise the copy of that key, made on the first
// request from the static table as it is then. Null only when the copy cannot be allocated.
InstrInfo *InstrInfo__id2table(int32_t key);
// Frees every private copy and empties the list.
void InstrInfo__Quit(void);

// Row of `word` through the global decoder, in the processor's table or, without a processor, in the static
// table. With no decoder selected (an unrecognised processor type) every word yields row 0, the
// illegal-instruction path.
InstrInfo *Processor_Decode_Instruction(ProcessorState *processor, uint32_t word);

// The processor's instruction table (its `instruction_table` field). Defined by the processor records.
InstrInfo *ProcessorState__InstructionTable(ProcessorState *processor);
