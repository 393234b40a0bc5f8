#include "command/mcm_cmd_table_standin.h"

#include "runtime/alloc.h"

// STAND-IN: the command-table record and its entries come with the command language; until
// then a table is only its name.
struct SimCmdTable {
    char *name;
};

// STAND-IN: an empty table named "mcm"; no sub-tables, no commands.
SimCmdTable *build_mcm_Cmd_table(void *)
{
    SimCmdTable *table = QUARN_ZALLOC(1, SimCmdTable);
    table->name = REMEMBER_STRING("mcm");
    return table;
}

// STAND-IN: frees the empty record.
void Quit_SimCmdTable(SimCmdTable *table)
{
    if (!table) return;
    FORGET_STRING(table->name);
    QUARN_FREE(table);
}
