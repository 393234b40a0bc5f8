// The machine's top command table and run control.
#include "command/simtop.h"

#include <strings.h>

#include <cstring>

#include "command/cmd_table.h"
#include "command/machine_vocabulary.h"
#include "command/selector.h"
#include "core/cycle_core_presence.h"
#include "kernel/tsim.h"
#include "machine/machine_lifecycle.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/hooks/pturbo_control.h"
#include "processor/records/mcm.h"
#include "processor/run/modes.h"
#include "processor/run/run_control.h"
#include "processor/time/processor_time.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/stop.h"
#include "runtime/tcl_output.h"

namespace
{

constexpr const char *MEMORY_MAP_LINE_FORMAT = "NAME: %10s START:0x%016lX END:0x%016lX DESC:%s\n";
constexpr const char *MEMORY_MAP_LIST_FORMAT = "{NAME {%s} START 0x%016lX END 0x%016lX} ";

// The number of a command word: C syntax, a word that is not a number reads as 0.
uint64_t number_word(const char *word)
{
    int ok = 0;
    uint64_t value = STRING2INT_rc(word, &ok);
    return ok ? value : 0;
}

uint64_t step_ticks_per_cycle(GenericMachine *machine)
{
    time_domain *domain = Machine_Step_Domain(machine);
    return domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
}

// The current tick of the kernel in use: the running one, else the most recently created one,
// else the machine's own.
uint64_t current_tick(GenericMachine *machine)
{
    if (tsim_s *tsim = tsim_current()) return tsim->now;
    if (machine->tsim) return machine->tsim->now;
    sim_error("tsim in machine is NULL!!!!");
    return 0;
}

} // namespace

int GoCmd(Selector *selector, Tcl_Interp *, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    SimpleCPURun(machine);
    return (__atomic_load_n(&stop_simulation, __ATOMIC_SEQ_CST) & STOP_USER_INTERRUPT) ? 1 : 0;
}

int CycleCmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    if (GenericMachine *machine = select_machine(selector)) SimpleCPUCycle(machine, number_word(argv[1]));
    return 0;
}

int TickCmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    if (GenericMachine *machine = select_machine(selector)) SimpleCPUTick(machine, number_word(argv[1]));
    return 0;
}

int ToCycleCmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 0;
    uint64_t target = number_word(argv[1]) * step_ticks_per_cycle(machine);
    uint64_t now = current_tick(machine);
    if (now < target) SimpleCPUTick(machine, target - now);
    return 0;
}

int Quit_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 0;
    // A trigger or a command-server client may ask during the machine's own run: the run still
    // stands on the machine's kernel and its jobs.
    if (machine->tsim && machine->tsim->running) {
        SIM_TCLPRINT(interpreter, "%s: machine %s is running; stop it before quitting", argv[0],
                     machine->name);
        return 1;
    }
    if (machine->mode == MODE_TURBO || machine->mode == MODE_PTURBO || machine->mode == MODE_NAMELESS)
        turbo_xlate_flush(machine);
    Machine_Quit(machine);
    return 0;
}

int ModeChangeCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int32_t mode = Name2ID(modeTypesName, argv[1]);
    if (mode < 0) {
        SIM_TCLPRINT(interpreter, "Unrecognized mode: %s\n", argv[1]);
        return 1;
    }
    if (!CycleCore_Supports_Mode((uint32_t)mode)) {
        // The machine stays in its mode: no thread could execute in this one.
        SIM_TCLPRINT(interpreter, "Mode %s needs the cycle-level core, which is not available\n", argv[1]);
        return 1;
    }
    if (GenericMachine *machine = select_machine(selector)) Mode_Change(machine, (uint32_t)mode);
    return 0;
}

int Display_machine_cycles(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    time_domain *domain =
        machine ? (machine->cycle_domain ? machine->cycle_domain : machine->base_domain) : nullptr;
    SIM_TCLPRINT(interpreter, "%ld", domain ? (long)TD_get_current_cycles(domain) : 0L);
    return 0;
}

int Display_ins_count(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    SIM_TCLPRINT(interpreter, "%ld", machine ? (long)machine->instruction_count : 0L);
    return 0;
}

int Display_features(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "FLOATING_POINT ");
    SIM_TCLPRINT(interpreter, "VMX ");
    return 0;
}

int MemMap_DisplayMemoryMapCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    const char *format = MEMORY_MAP_LINE_FORMAT;
    int word = 1;
    if (word < argc && strcasecmp(argv[word], "listformat") == 0) {
        format = MEMORY_MAP_LIST_FORMAT;
        word++;
    }
    if (word < argc && strcmp(argv[word], "dump") == 0) {
        if (word + 1 >= argc) {
            MapList_TCL_Dump_Map_By_Name(interpreter, nullptr, format);
        } else {
            for (int i = word + 1; i < argc; i++)
                MapList_TCL_Dump_Map_By_Name(interpreter, argv[i], format);
        }
        return 0;
    }
    MCM *chip = select_mcm(selector);
    MemoryMap *map = chip && chip->mbus ? chip->mbus->memory_map : nullptr;
    if (map) MapList_TCL_Print(map->map_list, interpreter, format);
    return 0;
}

int display_memsizeCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    SIM_TCLPRINT(interpreter, "0x%016lX", machine ? (unsigned long)machine->total_memory : 0UL);
    return 0;
}

int display_MCMsConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    SIM_TCLPRINT(interpreter, "%d", machine ? (int)machine->num_mcms : 0);
    return 0;
}

int display_ModeChangeCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 0;
    SIM_TCLPRINT(interpreter, "Simulator is in mode %s", ID2Name(modeTypesName, (int32_t)machine->mode));
    if (machine->pending_mode)
        SIM_TCLPRINT(interpreter, ", but it is switching to mode %s",
                     ID2Name(modeTypesName, (int32_t)machine->pending_mode));
    return 0;
}

SimCmdTable *build_DisplayCmd_table_limited(void *argument)
{
    SimCmdTable *table = Init_SimCmdTable("Display");
    add_simcommand(table, "cycles", Display_machine_cycles, "Display_machine_cycles", 0, 0, nullptr);
    add_simcommand(table, "instruction_count", Display_ins_count, "Display_ins_count", 0, 0, nullptr);
    add_simcommand(table, "features", Display_features, "Display_features", 0, 0, nullptr);
    add_simcommand(table, "memorymap", MemMap_DisplayMemoryMapCmd, "MemMap_DisplayMemoryMapCmd", -1, 0,
                   "[listformat]");
    add_simcommand(table, "memory_size", display_memsizeCmd, "display_memsizeCmd", 0, 0, nullptr);
    add_simcommand(table, "number_of_MCMs", display_MCMsConfigCmd, "display_MCMsConfigCmd", 0, 0, nullptr);
    add_simcommand(table, "mode", display_ModeChangeCmd, "display_ModeChangeCmd", 0, 0, nullptr);
    Add_CPU_Display_Cmds_limited(table, argument);
    return table;
}

SimCmdTable *build_simtopCmd_table(void *argument)
{
    SimCmdTable *table = Init_SimCmdTable("simtop");
    add_simcommand(table, "cycle", CycleCmd, "CycleCmd", 1, 0, "{number}");
    add_simcommand(table, "to_cycle", ToCycleCmd, "ToCycleCmd", 1, 0, "{number}");
    add_simcommand(table, "tick", TickCmd, "TickCmd", 1, 0, "{number}");
    add_simcommand(table, "go", GoCmd, "GoCmd", 0, 0, nullptr);
    add_simcommand(table, "quit", Quit_Cmd, "Quit_Cmd", 0, 0, nullptr);
    add_simcommand(table, "exit", Quit_Cmd, "Quit_Cmd", 0, 0, nullptr);
    add_simcommand(table, "mode", ModeChangeCmd, "ModeChangeCmd", 1, 0, "{turbo|simple}");
    add_simtable(table, "display", nullptr, "build_DisplayCmd_table_limited", build_DisplayCmd_table_limited,
                 argument, 0, nullptr);
    add_simtable(table, "plugin", nullptr, "build_plugin_table", build_plugin_table, argument, 4, nullptr);
    add_simtable(table, "kepl", nullptr, "build_kepl_table", build_kepl_table, argument, 0, nullptr);
    add_simtable(table, "phb", nullptr, "build_phb_table", build_phb_table, argument, 4, nullptr);
    add_simtable(table, "xscom", nullptr, "build_xscom_table", build_xscom_table, argument, 4, nullptr);
    add_simtable(table, "cop", nullptr, "build_cop_table", build_cop_table, argument, 4, nullptr);
    add_simtable(table, "pbic", nullptr, "build_pbic_table", build_pbic_table, argument, 4, nullptr);
    Add_MCM_Cmds(table, argument);
    return table;
}
