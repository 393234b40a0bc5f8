// The console commands: the table "consoleConfig" (entered as "console" from every machine and chip
// table; builder declared in command/later_tables.h) that creates, destroys, enables, disables and
// lists the channels of the machine's default console and switches its buffered mode. The create
// handlers below "create" receive a ConsoleCreateRequest in place of the selector.
#pragma once

#include <cstdint>

struct ConsoleDevice;
struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

// What the nested create tables fill in: the console, the channel id and the direction
// (1 input, 2 output, 3 both).
struct ConsoleCreateRequest {
    ConsoleDevice *console;
    const char *id;
    uint32_t scope;
};

// The create tables of the newest "consoleConfig" table; the create handlers dispatch through them.
extern SimCmdTable *console_createCmd_table;
extern SimCmdTable *console_create_type_Cmd_table;

int console_createCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int console_create_in_Cmd(Selector *request, Tcl_Interp *interpreter, int argc, char **argv);
int console_create_out_Cmd(Selector *request, Tcl_Interp *interpreter, int argc, char **argv);
int console_create_inout_Cmd(Selector *request, Tcl_Interp *interpreter, int argc, char **argv);
int console_create_socket_Cmd(Selector *request, Tcl_Interp *interpreter, int argc, char **argv);
int console_create_program_Cmd(Selector *request, Tcl_Interp *interpreter, int argc, char **argv);
int console_create_file_Cmd(Selector *request, Tcl_Interp *interpreter, int argc, char **argv);
int console_create_string_Cmd(Selector *request, Tcl_Interp *interpreter, int argc, char **argv);
int console_create_listen_Cmd(Selector *request, Tcl_Interp *interpreter, int argc, char **argv);
int console_off_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int console_enableCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int console_disableCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int console_listCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int console_bufferedCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int display_console_bufferedCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
