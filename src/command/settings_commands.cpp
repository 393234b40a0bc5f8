// The global "modify" and "display" tables.
#include "command/settings_commands.h"

#include <cstdio>
#include <cstring>

#include "command/cmd_table.h"
#include "command/global_commands.h"
#include "command/instruction_commands.h"
#include "command/tcl_numbers.h"
#include "processor/hooks/htm.h"
#include "processor/hooks/periodic_stats_standin.h"
#include "processor/records/generic_machine.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

constexpr uint64_t DEFAULT_HTM_FAILURE_CODE = 0x80000;

const char *on_off(int flag)
{
    return flag ? "on" : "off";
}

// Sets a mode from an on/off word; the new state is printed.
int set_mode(Tcl_Interp *interpreter, char **argv, int &mode)
{
    int ok = 0;
    int flag = STRING2BOOLEAN_rc(argv[1], &ok);
    if (!ok) {
        SIM_TCLPRINT(interpreter, "Usage: %s [on|off]", argv[0]);
        return 1;
    }
    mode = flag;
    SIM_TCLPRINT(interpreter, "%s", on_off(mode));
    return 0;
}

// ---- modify ----

int SIM_WARNing_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    int level = 0;
    if (!tclstr_to_int(interpreter, argv[1], &level, "level")) return 1;
    if (level < 0 || level > 3) {
        SIM_TCLPRINT(interpreter, "simwarning: level must be 0 (NONE) to 3 (ALL).");
        return 1;
    }
    sim_warning_level = level;
    SIM_TCLPRINT(interpreter, "Warning level is %d", sim_warning_level);
    return 0;
}

int set_Quiet_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return set_mode(interpreter, argv, quiet_mode);
}

int set_Regress_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return set_mode(interpreter, argv, regress_mode);
}

int set_Standalone_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return set_mode(interpreter, argv, standalone_mode);
}

int htm_set_active_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return set_mode(interpreter, argv, global_htm_status);
}

int file_name_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    const char *name = argv[1];
    FILE *stream = strcmp(name, "-") == 0 ? stdout : fopen(name, "w");
    if (stream) {
        FILE *old = Quarn_Output_File ? Quarn_Output_File : stdout;
        fflush(old);
        Quarn_Output_File = stream;
        // The old stream is no longer written; close it unless it is a standard stream.
        if (old != stream && old != stdout && old != stderr) fclose(old);
    } else {
        SIM_TCLPRINT(interpreter, "Cannot open file '%s' for output\n", name);
    }
    SIM_TCLPRINT(interpreter, "%s", name);
    return 0;
}

int kips_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    uint64_t interval = 0;
    if (!tclstr_to_uint64_t(interpreter, argv[1], &interval, "interval")) return 1;
    Default_PERIODIC_STATS_cycles = interval;
    SIM_TCLPRINT(interpreter, "Default KIPS Interval is %ld", (long)Default_PERIODIC_STATS_cycles);
    return 0;
}

int kips_interval_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    uint64_t interval = 0;
    if (!tclstr_to_uint64_t(interpreter, argv[1], &interval, "interval")) return 1;
    Default_PERIODIC_STATS_interval = interval;
    SIM_TCLPRINT(interpreter, "Default KIPS Dump Interval is %ld", (long)Default_PERIODIC_STATS_interval);
    return 0;
}

int htm_rollback_Cmd(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc > 2) {
        SIM_TCLPRINT(
            interpreter,
            "Usage: %s [failure_reason_code - default: 16 - TEXASR_FAILURE_REASON_CONFLICT_NON_TRANS ]",
            argv[0]);
        return 1;
    }
    uint64_t code = DEFAULT_HTM_FAILURE_CODE;
    if (argc == 2) {
        int ok = 0;
        code = STRING2INT_rc(argv[1], &ok);
        if (!ok) {
            SIM_TCLPRINT(interpreter, "Error: failure_code (%s) is not valid.", argv[1]);
            return 1;
        }
    }
    if (htm_rollback_all_transactions(currentMachine, code)) {
        SIM_TCLPRINT(interpreter, "Success");
        return 0;
    }
    SIM_TCLPRINT(interpreter, "Rollback failed. Do not take a checkpoint");
    return 1;
}

// ---- display ----

int display_default_configure_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%s", DEFAULT_MACHINE_CONFIGURATION);
    return 0;
}

int display_SIM_WARNing_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "Warning level is %d", sim_warning_level);
    return 0;
}

int display_Quiet_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%s", on_off(quiet_mode));
    return 0;
}

int display_Regress_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%s", on_off(regress_mode));
    return 0;
}

int display_Standalone_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%s", on_off(standalone_mode));
    return 0;
}

int display_htm_status_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%s", on_off(global_htm_status));
    return 0;
}

int display_kips_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "Default KIPS Interval is %ld", (long)Default_PERIODIC_STATS_cycles);
    return 0;
}

int display_kips_interval_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "Default KIPS Dump Interval is %ld", (long)Default_PERIODIC_STATS_interval);
    return 0;
}

int display_command_line_config_options_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%s", command_line_config_options ? command_line_config_options : "");
    return 0;
}

int display_command_line_user_options_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%s", command_line_user_options ? command_line_user_options : "");
    return 0;
}

} // namespace

SimCmdTable *build_modifyCmd_table(void)
{
    SimCmdTable *table = Init_SimCmdTable("modify");
    add_simcommand(table, "warning", SIM_WARNing_Cmd, "SIM_WARNing_Cmd", 1, 0, "{level}");
    add_simcommand(table, "quiet_mode", set_Quiet_Cmd, "set_Quiet_Cmd", 1, 0, "{on/off}");
    add_simcommand(table, "regress_mode", set_Regress_Cmd, "set_Regress_Cmd", 1, 0, "{on/off}");
    add_simcommand(table, "standalone_mode", set_Standalone_Cmd, "set_Standalone_Cmd", 1, 0, "{on/off}");
    add_simcommand(table, "itimes", itimes_Cmd, "itimes_Cmd", 2, 0, "{mnemonic} {throughput}");
    add_simcommand(table, "iops", iops_Cmd, "iops_Cmd", 2, 0, "{mnemonic} {num_internal_ops}");
    add_simcommand(table, "optype", optype_Cmd, "optype_Cmd", 2, 0, "{mnemonic} {optype}");
    add_simcommand(table, "iflags", iflags_Cmd, "iflags_Cmd", 2, 0, "{mnemonic} {flagtype}");
    add_simcommand(table, "attributes", attributes_Cmd, "attributes_Cmd", 2, 0, "{mnemonic} {attributes}");
    add_simcommand(table, "output_file_name", file_name_Cmd, "file_name_Cmd", 1, 0,
                   "{name-of-file-for-output}");
    add_simcommand(table, "kips", kips_Cmd, "kips_Cmd", 1, 0, "{interval}");
    add_simcommand(table, "kips_dump_interval", kips_interval_Cmd, "kips_interval_Cmd", 1, 0,
                   "{microseconds}");
    add_simcommand(table, "htm_status", htm_set_active_Cmd, "htm_set_active_Cmd", 1, 0, "{on/off}");
    add_simcommand(table, "htm_abort_transactions", htm_rollback_Cmd, "htm_rollback_Cmd", -1, 0,
                   "[failure_reason_code - default: 16 - TEXASR_FAILURE_REASON_CONFLICT_NON_TRANS ]");
    add_simtable(table, "instruction", nullptr, nullptr, build_instructionCmd_table, nullptr, 0, nullptr);
    return table;
}

SimCmdTable *build_displayCmd_table(void)
{
    SimCmdTable *table = Init_SimCmdTable("display");
    add_simcommand(table, "machines", display_machines_Cmd, "display_machines_Cmd", 0, 0, nullptr);
    add_simcommand(table, "configures", display_configures_Cmd, "display_configures_Cmd", 0, 0, nullptr);
    add_simcommand(table, "default_configure", display_default_configure_Cmd, "display_default_configure_Cmd",
                   0, 0, nullptr);
    add_simcommand(table, "warning", display_SIM_WARNing_Cmd, "display_SIM_WARNing_Cmd", 0, 0, nullptr);
    add_simcommand(table, "quiet_mode", display_Quiet_Cmd, "display_Quiet_Cmd", 0, 0, nullptr);
    add_simcommand(table, "regress_mode", display_Regress_Cmd, "display_Regress_Cmd", 0, 0, nullptr);
    add_simcommand(table, "standalone_mode", display_Standalone_Cmd, "display_Standalone_Cmd", 0, 0, nullptr);
    add_simcommand(table, "itimes", display_itimes_Cmd, "display_itimes_Cmd", -1, 0, "[symbolic command]");
    add_simcommand(table, "kips", display_kips_Cmd, "display_kips_Cmd", 0, 0, nullptr);
    add_simcommand(table, "kips_dump_interval", display_kips_interval_Cmd, "display_kips_interval_Cmd", 0, 0,
                   nullptr);
    add_simcommand(table, "command_line_config_options", display_command_line_config_options_Cmd,
                   "display_command_line_config_options_Cmd", 0, 0, nullptr);
    add_simcommand(table, "command_line_user_options", display_command_line_user_options_Cmd,
                   "display_command_line_user_options_Cmd", 0, 0, nullptr);
    add_simcommand(table, "htm_status", display_htm_status_Cmd, "display_htm_status_Cmd", 0, 0, nullptr);
    return table;
}
