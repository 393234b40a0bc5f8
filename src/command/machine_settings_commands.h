// The machine settings tables "set" and the full "Display" (attached by no table).
#pragma once

#include <cstdint>

struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

// The fast-mode minimum (read by nothing else).
extern int32_t fast_limit_minimum;

SimCmdTable *build_SetCmd_table(void *argument);
SimCmdTable *build_DisplayCmd_table(void *argument);
int display_setLooseCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
