// The "load" table of the thread-level commands: ELF programs and kernel images, XCOFF programs,
// Linux and Plan 9 boot images, handed to the program-image loaders.
#pragma once

struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

SimCmdTable *build_load_Cmd_table(void *argument);

// Handlers: argv[0] is the command path, argv[1] the file name. 0 on success.
int Load_Elf_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Load_Vmlinux_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Load_XCOFF_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Load_Linux_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Load_Plan9_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
// setargs [words]: the argument vector of the loaded program below its stack top (the command path
// first); GPR3 the count, GPR4 the pointer array (null-terminated), GPR1 moved below the area so
// the program's stack never overlaps it (its back-chain word zero).
int setargsConfigCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
