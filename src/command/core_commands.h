// The cycle-level core's commands: the "core" table (statistics, dumps, chicken switch, settings),
// the public "core" table with the statistics alone, and the statistics-bucket commands added to a
// table's "stats" sub-table. Nothing in the simulator attaches them; a host or plug-in does.
#pragma once

struct SimCmdTable;

SimCmdTable *CycleCore_build_cmd_table(void *argument);
SimCmdTable *CycleCore_build_public_cmd_table(void *argument);
// Adds bucket_create, bucket_start and bucket_stop to the table's "stats" sub-table, when it has one.
void CycleCore_add_simcmds(void *component, SimCmdTable *table);
