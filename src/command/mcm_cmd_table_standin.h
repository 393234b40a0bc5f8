// The chip's command table as the chip's set-up and teardown reach it.
#pragma once

struct SimCmdTable;

// STAND-IN: the command tables are not built yet; the chip table "mcm" is an empty record.
SimCmdTable *build_mcm_Cmd_table(void *data);
// STAND-IN: frees the empty record of build_mcm_Cmd_table; nothing for none.
void Quit_SimCmdTable(SimCmdTable *table);
