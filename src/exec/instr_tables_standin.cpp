#include <cstring>

#include "exec/instr_tables.h"
#include "runtime/alloc.h"

// STAND-IN: the keyed instruction tables of the execution engine are not built yet; private copies
// are kept in a plain list. Weak, so that the execution engine's definitions replace these.

namespace
{

struct KeyedTable {
    KeyedTable *next;
    InstrInfo *rows;
    int32_t key;
};
KeyedTable *keyed_tables = nullptr;

} // namespace

__attribute__((weak)) InstrInfo *InstrInfo__id2table(int32_t key)
{
    if (key == 0) return instruction_info_table;
    for (KeyedTable *t = keyed_tables; t; t = t->next)
        if (t->key == key) return t->rows;
    uint32_t size = InstrInfo_Table_Size();
    KeyedTable *t = QUARN_ZALLOC(1, KeyedTable);
    InstrInfo *rows = QUARN_MALLOC(size, InstrInfo);
    if (!t || !rows) {
        QUARN_FREE(t);
        QUARN_FREE(rows);
        return nullptr;
    }
    memcpy(rows, instruction_info_table, size * sizeof(InstrInfo));
    *t = KeyedTable{keyed_tables, rows, key};
    keyed_tables = t;
    return rows;
}

__attribute__((weak)) void InstrInfo__Quit(void)
{
    while (KeyedTable *t = keyed_tables) {
        keyed_tables = t->next;
        QUARN_FREE(t->rows);
        QUARN_FREE(t);
    }
}
