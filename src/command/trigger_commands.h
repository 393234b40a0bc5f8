// The "trigger" commands: the global table (associative triggers of the simulator), the machine
// and chip table (associative, PC, real-address PC, memory and system-call triggers) and the
// processor and thread table (register triggers), with the calls that fire their procedures.
#pragma once

struct SimCmdTable;

SimCmdTable *build_GlobalTriggerCmd_table(void);
// build_triggerCmd_table and build_ppc_triggerCmd_table: command/later_tables.h.
