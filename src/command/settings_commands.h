// The global "modify" and "display" tables: warning level, quiet, regression and standalone
// modes, the output file, the KIPS intervals, the transactional-memory switch and the instruction
// table's columns.
#pragma once

struct SimCmdTable;

SimCmdTable *build_modifyCmd_table(void);
SimCmdTable *build_displayCmd_table(void);
