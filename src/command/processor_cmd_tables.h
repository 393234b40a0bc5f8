// The command tables of a processor ("ppc") and of a hardware thread ("thread"), the thread-level
// command set every machine, chip, processor and thread table receives, and the register set and
// display tables (the limited ones a thread carries and the full ones a host may attach).
#pragma once

#include "machine/hooks/command_hooks.h"

struct SimCmdTable;

// build_ppc_Cmd_table, build_thread_Cmd_table: machine/hooks/command_hooks.h (called when a
// processor is made).

// The table made last by build_ppc_setCmd_table_limited or build_ppc_setCmd_table.
extern SimCmdTable *ppc_setCmd_table;

SimCmdTable *build_ppc_setCmd_table_limited(void *argument = nullptr);
SimCmdTable *build_ppc_displayCmd_table_limited(void *argument = nullptr);
SimCmdTable *build_ppc_setCmd_table(void *argument = nullptr);
SimCmdTable *build_ppc_displayCmd_table(void *argument = nullptr);

void Add_CPU_Set_Cmds(SimCmdTable *table);
void Add_Thread_Set_Cmds(void);
// The full register display set.
void Add_CPU_Display_Cmds(SimCmdTable *table);
void Add_Thread_Display_Cmds(void);
