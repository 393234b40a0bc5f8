// The "trigger" commands: the global table (associative triggers of the simulator) and the machine
// and chip table (associative, console, process-id, PC, real-address PC, cycle, memory and
// system-call triggers), with the calls that fire their procedures. Triggers_TCL_Call and
// Trigger_Check_Console: devices/hooks/console_triggers.h.
#pragma once

struct SimCmdTable;

SimCmdTable *build_GlobalTriggerCmd_table(void);
// build_triggerCmd_table: command/later_tables.h.
