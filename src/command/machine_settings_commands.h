// The machine settings tables "set" and the full "Display" (attached by no table; each ends with
// the chip-level settings of command/mcm_settings_commands.h), and the settings handlers that no
// table holds.
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
// "Maximum SMT Quanta = %d" after storing the number (1 when not above 0); the chip's "mcm_set"
// table holds it too.
int MaxSMTQuanta_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);

// Exported handlers that no table holds.
int setTurboWarmupCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int display_setTurboWarmupCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int setTurboSematCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int display_setTurboSematCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int display_vmx_fake_mode_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int setlatencyenableConfigCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int display_setlatencyenableConfigCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int display_attach_mode_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int display_setmemstartConfigCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
// The machine's clock frequency (scale letters of base 1000, 1 Hz to 10 GHz), then the processor's
// frequency display.
int setfreqConfigCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
// *result := the number of the text; prints "label: 0x%016lX" into the simulator's interpreter.
int Set_PA_Config_Variable(void *unused, char *text, uint64_t *result, const char *label);
