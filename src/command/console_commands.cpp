// The "console" command table: channels of the machine's default console and its buffered mode.
#include "command/console_commands.h"

#include <tcl.h>

#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "command/selector.h"
#include "devices/console.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

SimCmdTable *console_createCmd_table = nullptr;
SimCmdTable *console_create_type_Cmd_table = nullptr;

namespace
{

constexpr int DEFAULT_LISTEN_ATTEMPTS = 1;
constexpr int DEFAULT_LISTEN_SECONDS = 180;

// The create handlers below "create" get the request through the selector argument.
ConsoleCreateRequest *request_of(Selector *selector)
{
    return reinterpret_cast<ConsoleCreateRequest *>(selector);
}

// Builds the two create tables once for the process. The "create" entries of every "consoleConfig"
// table share them without owning them, so freeing a machine's tables never frees them.
void build_create_tables()
{
    if (console_createCmd_table) return;
    SimCmdTable *types = Init_SimCmdTable("console_create_type");
    add_simcommand(types, "socket", console_create_socket_Cmd, "console_create_socket_Cmd", 1, 0,
                   "{host:port}");
    add_simcommand(types, "program", console_create_program_Cmd, "console_create_program_Cmd", 1, 0,
                   "{program-name}");
    add_simcommand(types, "file", console_create_file_Cmd, "console_create_file_Cmd", 1, 0, "{file-name}");
    add_simcommand(types, "string", console_create_string_Cmd, "console_create_string_Cmd", 1, 0,
                   "{input-string}");
    add_simcommand(types, "listen", console_create_listen_Cmd, "console_create_listen_Cmd", -1, 0,
                   "{port} [max_attempts] [time_limit]");

    SimCmdTable *create = Init_SimCmdTable("console_create");
    add_simtable(create, "in", console_create_in_Cmd, "console_create_in_Cmd", nullptr, nullptr, 0, nullptr);
    add_simtable(create, "out", console_create_out_Cmd, "console_create_out_Cmd", nullptr, nullptr, 0,
                 nullptr);
    add_simtable(create, "inout", console_create_inout_Cmd, "console_create_inout_Cmd", nullptr, nullptr, 0,
                 nullptr);
    console_create_type_Cmd_table = types;
    console_createCmd_table = create;
}

// Sets the direction and dispatches the kind word and its arguments.
int create_with_scope(Selector *selector, Tcl_Interp *interp, int argc, char **argv, uint32_t scope)
{
    request_of(selector)->scope = scope;
    return Select_SimCmdTable(console_create_type_Cmd_table, argc, argv, selector, interp, argc, argv) ==
                   SIMCMD_OK
               ? 0
               : 1;
}

ConsoleDevice *console_or_complain(Selector *selector, Tcl_Interp *interp)
{
    ConsoleDevice *console = select_console(selector);
    if (!console) SIM_TCLPRINT(interp, "Console is not found (NULL)");
    return console;
}

// Sets the state of the named channel and lists the console; missing is the text when there is no
// such channel, printed with the id.
int set_channel_state(Selector *selector, Tcl_Interp *interp, const char *id, uint32_t state,
                      const char *missing, int missing_result)
{
    ConsoleDevice *console = console_or_complain(selector, interp);
    if (!console) return 1;
    int result = 0;
    if (fd_element_s *channel = SearchConsoleforID(console, id)) {
        channel->state = state;
    } else {
        SIM_TCLPRINT(interp, missing, id);
        result = missing_result;
    }
    console_list(interp, console);
    return result;
}

bool read_count(Tcl_Interp *interp, const char *path, const char *word, const char *message, int32_t *value)
{
    int ok = 0;
    int32_t number = (int32_t)STRING2INT_rc(word, &ok);
    if (!ok || number < 0) {
        SIM_TCLPRINT(interp, message, path, word);
        return false;
    }
    *value = number;
    return true;
}

} // namespace

int console_createCmd(Selector *selector, Tcl_Interp *interp, int argc, char **argv)
{
    if (argc < 2) {
        SIM_TCLPRINT(interp, "Usage: %s {console-id} ->", argv[0]);
        return 1;
    }
    ConsoleCreateRequest request = {console_or_complain(selector, interp), argv[1], 0};
    if (!request.console) return 1;
    build_create_tables();
    // The id leads: the word after it names the direction.
    int rc = Select_SimCmdTable(console_createCmd_table, argc, argv, reinterpret_cast<Selector *>(&request),
                                interp, argc - 1, argv + 1);
    return rc == SIMCMD_OK ? 0 : 1;
}

int console_create_in_Cmd(Selector *request, Tcl_Interp *interp, int argc, char **argv)
{
    return create_with_scope(request, interp, argc, argv, FDS_INPUT);
}

int console_create_out_Cmd(Selector *request, Tcl_Interp *interp, int argc, char **argv)
{
    return create_with_scope(request, interp, argc, argv, FDS_OUTPUT);
}

int console_create_inout_Cmd(Selector *request, Tcl_Interp *interp, int argc, char **argv)
{
    return create_with_scope(request, interp, argc, argv, FDS_BOTH);
}

int console_create_socket_Cmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    ConsoleCreateRequest *r = request_of(selector);
    return Console_Create_Socket_IO(r->console, r->id, argv[1], r->scope) ? 0 : 1;
}

int console_create_program_Cmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    ConsoleCreateRequest *r = request_of(selector);
    return Console_Create_Program_IO(r->console, r->id, argv[1], r->scope) ? 0 : 1;
}

int console_create_file_Cmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    ConsoleCreateRequest *r = request_of(selector);
    return Console_Create_File_IO(r->console, r->id, argv[1], r->scope) ? 0 : 1;
}

int console_create_string_Cmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    ConsoleCreateRequest *r = request_of(selector);
    return Console_Create_String_IO(r->console, r->id, argv[1], r->scope) ? 0 : 1;
}

int console_create_listen_Cmd(Selector *selector, Tcl_Interp *interp, int argc, char **argv)
{
    if (argc < 2) {
        SIM_TCLPRINT(
            interp,
            "Usage: %s {port} [max_attempts=%d, 0=unlimited] [time_limit=%ds, 0=indefinite] [is_permanent]",
            argv[0], DEFAULT_LISTEN_ATTEMPTS, DEFAULT_LISTEN_SECONDS);
        return 1;
    }
    int32_t attempts = DEFAULT_LISTEN_ATTEMPTS, seconds = DEFAULT_LISTEN_SECONDS;
    int permanent = 0;
    if (argc > 2 && !read_count(interp, argv[0], argv[2], "%s: Invalid number of attempts '%s'", &attempts))
        return 1;
    if (argc > 3 && !read_count(interp, argv[0], argv[3], "%s: Invalid time limit '%s'", &seconds)) return 1;
    if (argc > 4) {
        int ok = 0;
        permanent = STRING2BOOLEAN_rc(argv[4], &ok);
        if (!ok) {
            SIM_TCLPRINT(interp, "%s: Invalid value for is_permanent '%s'", argv[0], argv[4]);
            return 1;
        }
    }
    ConsoleCreateRequest *r = request_of(selector);
    fd_element_s *channel =
        Console_Create_Listen_IO(r->console, r->id, argv[1], r->scope, attempts, seconds, permanent);
    // A permanent listener accepts its clients in the background: no channel exists yet, and
    // failing to start it does not return.
    return channel || permanent ? 0 : 1;
}

int console_off_Cmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    return set_channel_state(selector, interp, argv[1], FDS_DEAD, "Console already gone %s\n", 0);
}

int console_enableCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    return set_channel_state(selector, interp, argv[1], FDS_ENABLE, "No I/O item for %s\n", 1);
}

int console_disableCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    return set_channel_state(selector, interp, argv[1], FDS_DISABLE, "No I/O item for %s\n", 1);
}

int console_listCmd(Selector *selector, Tcl_Interp *interp, int, char **)
{
    for (ConsoleDevice *console = select_console(selector); console; console = console->next) {
        console_list(interp, console);
        SIM_TCLPRINT(interp, "\n");
    }
    return 0;
}

int display_console_bufferedCmd(Selector *selector, Tcl_Interp *interp, int, char **)
{
    ConsoleDevice *console = console_or_complain(selector, interp);
    if (!console) return 1;
    SIM_TCLPRINT(interp, "%s", console->buffered ? "on" : "off");
    return 0;
}

int console_bufferedCmd(Selector *selector, Tcl_Interp *interp, int argc, char **argv)
{
    ConsoleDevice *console = console_or_complain(selector, interp);
    if (!console) return 1;
    int ok = 0;
    int flag = STRING2BOOLEAN_rc(argv[1], &ok);
    if (!ok) {
        SIM_TCLPRINT(interp, "\nUsage: %s [on|off]", argv[0]);
        return 1;
    }
    console->buffered = flag;
    Console_Save_Lines(console, flag);
    return display_console_bufferedCmd(selector, interp, argc, argv);
}

SimCmdTable *build_consoleConfigCmd_table(void *)
{
    build_create_tables();
    SimCmdTable *table = Init_SimCmdTable("consoleConfig");
    // "create" carries a handler and no sub-table of its own: it dispatches into the shared
    // create tables.
    add_simtable(table, "create", console_createCmd, "console_createCmd", nullptr, nullptr, 0,
                 "{console-id}");
    add_simcommand(table, "destroy", console_off_Cmd, "console_off_Cmd", 1, 0, "{console-id}");
    add_simcommand(table, "enable", console_enableCmd, "console_enableCmd", 1, 0, "{console-id}");
    add_simcommand(table, "disable", console_disableCmd, "console_disableCmd", 1, 0, "{console-id}");
    add_simcommand(table, "list", console_listCmd, "console_listCmd", 0, 0, nullptr);

    SimCmdTable *set = Init_SimCmdTable("consoleSet");
    add_simcommand(set, "buffered", console_bufferedCmd, "console_bufferedCmd", 1, 0, "{on|off}");
    connect_subtable(table, "set", set, 0, nullptr);
    SimCmdTable *display = Init_SimCmdTable("consoleDisplay");
    add_simcommand(display, "buffered", display_console_bufferedCmd, "display_console_bufferedCmd", 0, 0,
                   nullptr);
    connect_subtable(table, "display", display, 0, nullptr);
    return table;
}
