// The chip-level settings tables and the additions of the machine's full settings tables.
#include "command/mcm_settings_commands.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "command/cmd_table.h"
#include "command/machine_settings_commands.h"
#include "command/mcm_commands.h"
#include "command/processor_cmd_tables.h"
#include "command/processor_settings_commands.h"
#include "command/selector.h"
#include "command/simtop.h"
#include "processor/records/generic_machine.h"
#include "processor/run/modes.h"
#include "processor/time/time_domain.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

// 2002-06-13 22:26:59 UTC.
constexpr int64_t RTC_FIXED_BASE = 1024007219;

// Simulated seconds since the start: the machine's base cycles over its clock frequency.
int64_t simulated_seconds(GenericMachine *machine)
{
    const uint64_t hz = evaluate_frequency_ratio(&machine->base_freq, nullptr);
    return hz ? (int64_t)(GenericMachine__BaseCycles(machine) / hz) : 0;
}

} // namespace

int display_MCM_threadsCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%d", GenericMachine__ThreadCount(select_machine(selector)));
    return 0;
}

int displayReservationCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    SIM_TCLPRINT(interpreter, "%s", machine->mode < MODE_FULL ? "on" : "off");
    return 0;
}

int display_MCM_cpusCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    int32_t count = 0;
    while (machine && GenericMachine__Processor(machine, count))
        count++;
    SIM_TCLPRINT(interpreter, "%d", count);
    return 0;
}

int display_MaxSMTQuanta_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    SIM_TCLPRINT(interpreter, "Maximum SMT Quanta = %d", machine->max_smt_quanta);
    return 0;
}

int display_RTC_Speedup_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    SIM_TCLPRINT(interpreter, "%d", machine->rtc_speedup);
    return 0;
}

int display_setRTCCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    const time_t seconds = (time_t)(machine->rtc_base + simulated_seconds(machine));
    char text[64] = "";
    if (!ctime_r(&seconds, text)) text[0] = '\0';
    text[19] = '\0';
    SIM_TCLPRINT(interpreter, "%d (%s)", (int32_t)seconds, text);
    return 0;
}

int display_phantommmioMCMConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    SIM_TCLPRINT(interpreter, "Phantom MMIO access is %s", machine->phantom_mmio ? "on" : "off");
    return 0;
}

int phantommmioMCMConfigCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    int ok = 0;
    const int value = STRING2BOOLEAN_rc(argv[1], &ok);
    if (!ok) {
        SIM_TCLPRINT(interpreter, "\nUsage: %s [on|off]", argv[0]);
        return 1;
    }
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    machine->phantom_mmio = value ? 1 : 0;
    return display_phantommmioMCMConfigCmd(selector, interpreter, argc, argv);
}

int set_RTC_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    const char *word = argv[1];
    if (!strcasecmp(word, "FIXED")) {
        machine->rtc_base = RTC_FIXED_BASE;
    } else if (!strcasecmp(word, "CURRENT")) {
        machine->rtc_base = (int64_t)time(nullptr) - simulated_seconds(machine);
    } else {
        const long value = strtol(word, nullptr, 0);
        if (value <= 0) {
            SIM_TCLPRINT(interpreter, "Can not understand RTC setting%s\n", word);
            return 1;
        }
        machine->rtc_base = (int64_t)value - simulated_seconds(machine);
    }
    return display_setRTCCmd(selector, interpreter, argc, argv);
}

int set_RTC_Speedup_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    machine->rtc_speedup = (int32_t)strtol(argv[1], nullptr, 0);
    return display_RTC_Speedup_Cmd(selector, interpreter, argc, argv);
}

void Add_MCM_Set_Cmds(SimCmdTable *table, void *)
{
    add_simcommand(table, "RTC", set_RTC_Cmd, "set_RTC_Cmd", 1, 0, "{RTC value}");
    add_simcommand(table, "RTC_speedup", set_RTC_Speedup_Cmd, "set_RTC_Speedup_Cmd", 1, 0,
                   "{RTC Speedup Factor}");
    Add_CPU_Set_Cmds(table);
}

void Add_MCM_Display_Cmds(SimCmdTable *table, void *)
{
    add_simcommand(table, "number_of_cpus", display_MCM_cpusCmd, "display_MCM_cpusCmd", 0, 0, nullptr);
    add_simcommand(table, "max_smt_quanta", display_MaxSMTQuanta_Cmd, "display_MaxSMTQuanta_Cmd", 0, 0,
                   nullptr);
    add_simcommand(table, "RTC_speedup", display_RTC_Speedup_Cmd, "display_RTC_Speedup_Cmd", 0, 0, nullptr);
    add_simcommand(table, "RTC", display_setRTCCmd, "display_setRTCCmd", 0, 0, nullptr);
    add_simcommand(table, "phantom_mmio", display_phantommmioMCMConfigCmd, "display_phantommmioMCMConfigCmd",
                   0, 0, nullptr);
    Add_CPU_Display_Cmds(table);
}

SimCmdTable *build_mcm_SetCmd_table(void *data)
{
    SimCmdTable *table = Init_SimCmdTable("mcm_set");
    add_simcommand(table, "max_smt_quanta", MaxSMTQuanta_Cmd, "MaxSMTQuanta_Cmd", 1, 0,
                   "{maximum quantum for a thread}");
    add_simcommand(table, "phantom_mmio", phantommmioMCMConfigCmd, "phantommmioMCMConfigCmd", 1, 0,
                   "{on|off}");
    Add_MCM_Set_Cmds(table, data);
    return table;
}

SimCmdTable *build_mcm_DisplayCmd_table(void *data)
{
    SimCmdTable *table = Init_SimCmdTable("mcm_display");
    add_simcommand(table, "tcl_cpulist", Display_tcl_cpulist, "Display_tcl_cpulist", 0, 0, nullptr);
    add_simcommand(table, "cpulist", Display_cpulist, "Display_cpulist", 0, 0, nullptr);
    add_simcommand(table, "cycles", Display_cycles, "Display_cycles", 0, 0, nullptr);
    add_simcommand(table, "runlist", Display_runlist, "Display_runlist", 0, 0, nullptr);
    add_simcommand(table, "waitlist", Display_waitlist, "Display_waitlist", 0, 0, nullptr);
    add_simcommand(table, "memorymap", MemMap_DisplayMemoryMapCmd, "MemMap_DisplayMemoryMapCmd", -1, 0,
                   "[listformat]");
    add_simcommand(table, "memory_size", display_memsizeCmd, "display_memsizeCmd", 0, 0, nullptr);
    add_simcommand(table, "number_of_threads", display_MCM_threadsCmd, "display_MCM_threadsCmd", 0, 0, "");
    add_simcommand(table, "core_based_reservation", displayReservationCmd, "displayReservationCmd", 0, 0,
                   nullptr);
    Add_MCM_Display_Cmds(table, data);
    return table;
}
