// Aliases: named Tcl commands that stand for a command text, expanded through other aliases
// named first in their text but never through themselves.
#pragma once

struct SimCmdTable;

SimCmdTable *build_aliasCmd_table(void);
