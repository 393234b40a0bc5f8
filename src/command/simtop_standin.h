// The machine's top command table "simtop".
#pragma once

struct SimCmdTable;

// The machine's top table; the builder argument is handed on to sub-table builders.
SimCmdTable *build_simtopCmd_table(void *argument);
