// Keyed instruction tables and Processor_Decode_Instruction.
#include "decode/instr_tables.h"

#include <cstring>

#include "decode/decoder.h"
#include "runtime/alloc.h"

InstrInfo_Table *specialInstrInfoTables = nullptr;

InstrInfo *InstrInfo__id2table(int32_t key) {
    if (key == 0)
        return instruction_info_table;
    for (InstrInfo_Table *t = specialInstrInfoTables; t != nullptr; t = t->next)
        if (t->key == key)
            return t->rows;
    InstrInfo_Table *t = QUARN_ZALLOC(1, InstrInfo_Table);
    InstrInfo *rows = QUARN_MALLOC(NUM_II_ENTRIES, InstrInfo);
    if (t == nullptr || rows == nullptr) {
        QUARN_FREE(t);
        QUARN_FREE(rows);
        return nullptr;
    }
    memcpy(rows, instruction_info_table, sizeof instruction_info_table);
    t->rows = rows;
    t->key = key;
    t->next = specialInstrInfoTables;
    specialInstrInfoTables = t;
    return rows;
}

void InstrInfo__Quit(void) {
    while (specialInstrInfoTables != nullptr) {
        InstrInfo_Table *t = specialInstrInfoTables;
        specialInstrInfoTables = t->next;
        QUARN_FREE(t->rows);
        QUARN_FREE(t);
    }
}

InstrInfo *Processor_Decode_Instruction(ProcessorState *processor, uint32_t word) {
    InstrInfo *table = processor != nullptr ? ProcessorState__InstructionTable(processor) : instruction_info_table;
    if (table == nullptr)
        table = instruction_info_table;
    if (DecodeInstr == nullptr)
        return &table[0];
    return DecodeInstr(table, word);
}
