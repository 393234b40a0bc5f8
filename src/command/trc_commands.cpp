// The "trc" command table.
#include "command/trc_commands.h"

#include "command/cmd_table.h"
#include "embed/libsim_trc.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

// Parses word 1 as on/off and passes it to the switch; the usage line on a bad word.
int switch_command(Tcl_Interp *interpreter, int argc, char **argv, void (*set)(int32_t))
{
    int ok = 0;
    int on = argc > 1 ? STRING2BOOLEAN_rc(argv[1], &ok) : 0;
    if (!ok) {
        SIM_TCLPRINT(interpreter, "Usage: ... %s [on|off]", argv[0]);
        return 1;
    }
    set(on);
    return 0;
}

} // namespace

int Trc_imix(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    return switch_command(interpreter, argc, argv, LIBSIM__Trc_imix);
}

int Trc_prof(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    return switch_command(interpreter, argc, argv, LIBSIM__Trc_prof);
}

int Trc_on(Selector *, Tcl_Interp *, int, char **)
{
    LIBSIM__Trc_set_mode(1);
    return 0;
}

int Trc_off(Selector *, Tcl_Interp *, int, char **)
{
    LIBSIM__Trc_set_mode(0);
    return 0;
}

int Trc_unload(Selector *, Tcl_Interp *, int argc, char **argv)
{
    int ok = 0;
    int32_t id = argc > 1 ? (int32_t)STRING2INT_rc(argv[1], &ok) : 0;
    if (ok) LIBSIM__Trc_unload(id);
    return 0;
}

int Trc_threads(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    int ok = 0;
    int32_t n = argc > 1 ? (int32_t)STRING2INT_rc(argv[1], &ok) : 0;
    if (!ok) {
        SIM_TCLPRINT(interpreter, "need number of threads (%s)", argc > 1 ? argv[1] : "");
        return 1;
    }
    LIBSIM__Trc_threads(n);
    return 0;
}

int Trc_load(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 2) return 1;
    int32_t id = LIBSIM__Trc_load(argv[1], argc - 1, argv + 1);
    if (id == -1) return 1;
    SIM_TCLPRINT(interpreter, "%d", id);
    return 0;
}

int Trc_cmd(Selector *, Tcl_Interp *, int argc, char **argv)
{
    int ok = 0;
    int32_t id = argc > 1 ? (int32_t)STRING2INT_rc(argv[1], &ok) : 0;
    return LIBSIM__Trc_cmd(id, argc > 2 ? argc - 2 : 0, argv + (argc > 2 ? 2 : argc));
}

SimCmdTable *build_trcCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("trc");
    add_simcommand(table, "imix", Trc_imix, "Trc_imix", 1, 0, "on/off");
    add_simcommand(table, "prof", Trc_prof, "Trc_prof", 1, 0, "on/off");
    add_simcommand(table, "on", Trc_on, "Trc_on", 0, 0, "");
    add_simcommand(table, "off", Trc_off, "Trc_off", 0, 0, "");
    add_simcommand(table, "unload", Trc_unload, "Trc_unload", 1, 0, "<id>");
    add_simcommand(table, "threads", Trc_threads, "Trc_threads", 1, 0, "threads");
    add_simcommand(table, "load", Trc_load, "Trc_load", -1, 0, "library <args ...>");
    add_simcommand(table, "cmd", Trc_cmd, "Trc_cmd", -1, 0, "<id> <args ...>");
    return table;
}
