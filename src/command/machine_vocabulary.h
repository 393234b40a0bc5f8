// The tables and vocabularies that other command sets hang on the machine's top table: the
// plug-in and unit-creation tables, the chip vocabulary, the processor and thread vocabularies,
// and the processor display commands of the machine's "display" table.
#pragma once

struct SimCmdTable;

SimCmdTable *build_plugin_table(void *argument);
SimCmdTable *build_kepl_table(void *argument);
SimCmdTable *build_phb_table(void *argument);
SimCmdTable *build_xscom_table(void *argument);
SimCmdTable *build_cop_table(void *argument);
SimCmdTable *build_pbic_table(void *argument);
// The AS unit's table; attached by no table (command/unit_commands.cpp builds it and the other
// unit-creation tables).
SimCmdTable *build_accel_switchboard_table(void *argument);
// The chip vocabulary ("console", "trigger", "of", the processor and thread set, "bogus",
// "bogushalt").
void Add_MCM_Cmds(SimCmdTable *table, void *argument);
// The processor and thread vocabularies (with the path words "mcm", "cpu", "ppc", "thread").
void Add_CPU_Cmds(SimCmdTable *table, void *argument);
void Add_Thread_Cmds(SimCmdTable *table, void *argument);
// The processor display commands of the machine's "display" table.
void Add_CPU_Display_Cmds_limited(SimCmdTable *table, void *argument);
