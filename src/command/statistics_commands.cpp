// The statistics tables and the performance-monitor counter commands.
#include "command/statistics_commands.h"

#include <tcl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "exec/pmc_events.h"
#include "kernel/tsim.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "processor/spr/pmc_groups.h"
#include "runtime/callbacks.h"
#include "runtime/punctuate.h"
#include "runtime/tcl_output.h"
#include "runtime/utils.h"

StatsListRow StatsList[STATS_LIST_SIZE] = {
    {0, "Clock", "Clocks", 0, 0x13},
    {1, "ALU", "ALUs", 0, 0x5},
    {2, "SPR_MOVE", "SPR Moves", 0, 0x5},
    {3, "FP", "FPs", 0, 0x5},
    {4, "FP_FMAS", "FP FMA/S", 0, 0x5},
    {5, "FP_LOAD", "FP Loads", 0, 0x5},
    {6, "FP_STORE", "FP Stores", 0, 0x5},
    {7, "DLOAD", "Data Loads", 0, 0x5},
    {8, "DSTORE", "Data Stores", 0, 0x5},
    {9, "UNCOND", "Unconditional Branches", 0, 0x5},
    {10, "TAKEN", "Taken Branches", 0, 0x5},
    {11, "FALLTHRU", "Fall-Through Branches", 0, 0x5},
    {12, "IL1_M", "Inst L1 Misses", 0, 0xa},
    {13, "DL1_M", "Data L1 Misses", 0, 0xa},
    {14, "L2_M", "L2 Misses", 0, 0xa},
    {15, "ITLB_H", "Inst TLB Hits", 0, 0x14},
    {16, "ITLB_M", "Inst TLB Misses", 0, 0x14},
    {17, "DTLB_H", "Data TLB Hits", 0, 0x14},
    {18, "DTLB_M", "Data TLB Misses", 0, 0x14},
    {19, "RT_IL1_M", "Inst L1 Miss Rate %", 0, 0xc},
    {20, "RT_DL1_M", "Data L1 Miss Rate %", 0, 0xc},
    {21, "RT_L2_M", "L2 Miss Rate %", 0, 0xc},
    {22, "RT_ALU", "ALU Op %", 0, 0x5},
    {23, "RT_FP", "Floating Point Op %", 0, 0x5},
    {24, "RT_MEM", "Memory Op %", 0, 0x5},
    {25, "RT_BRANCH", "Branch Op %", 0, 0x5},
    {26, "RT_MISPREDICT", "Branch Misprediction %", 0, 0x5},
    {27, "RT_ITLB_M", "Inst TLB Miss Rate %", 0, 0x14},
    {28, "RT_DTLB_M", "Data TLB Miss Rate %", 0, 0x14},
    {29, "MEM_W", "Memory Writes", 1, 0x12},
    {30, "MEM_R", "Memory Reads", 1, 0x12},
    {31, "IPAGE_M", "Inst Page Misses", 1, 0x12},
    {32, "DPAGE_M", "Data Page Misses", 1, 0x12},
    {33, "DISK", "Disk", 1, 0x13},
    {34, "VMX32", "VMX32 Ops", 1, 0x5},
    {35, "VMX32_FP", "VMX32 Float Ops", 1, 0x5},
    {36, "VMX32_FMAS", "VMX32 Float FMA/S", 1, 0x5},
    {37, "VMX32_LOAD", "VMX32 Loads", 1, 0x5},
    {38, "VMX32_STORE", "VMX32 Stores", 1, 0x5},
    {39, "VMX_FAKE_2DP_OP", "VMX Fake 2DP Ops", 1, 0x5},
    {40, "VMX_FAKE_2DP_FMAS", "VMX Fake 2DP FMAS", 1, 0x5},
    {41, "VMX_FAKE_4DP_OP", "VMX Fake 4DP Ops", 1, 0x5},
    {42, "VMX_FAKE_4DP_FMAS", "VMX Fake 4DP FMAS", 1, 0x5},
    {43, "HTM", "Transactional Memory", 0, 0xa},
    {44, "", "NULL", 1, 0x13},
};

namespace
{

// The row of that name, or null.
StatsListRow *find_row(const char *name)
{
    for (int i = 0; i < STATS_LIST_SIZE && StatsList[i].stat_id != STATS_LIST_END; i++)
        if (strcmp(StatsList[i].name, name) == 0) return &StatsList[i];
    return nullptr;
}

template <typename Visit> void each_row(Visit visit)
{
    for (int i = 0; i < STATS_LIST_SIZE && StatsList[i].stat_id != STATS_LIST_END; i++)
        visit(StatsList[i]);
}

// The kind words of display: 0 when the word is none of them.
int32_t kind_mask(const char *word)
{
    if (strcasecmp(word, "all") == 0) return STATS_ALL;
    if (strcasecmp(word, "cache") == 0) return STATS_CACHE;
    if (strcasecmp(word, "tlb") == 0) return STATS_TLB;
    if (strcasecmp(word, "cpu") == 0) return STATS_CPU;
    return 0;
}

// A group id read as the commands read it; false (with the message) for one outside the tables.
bool group_in_range(Tcl_Interp *interpreter, const char *word, long group)
{
    if (group >= 0 && group < pmcGroupCount) return true;
    char text[128];
    snprintf(text, sizeof text, "Bad PMC group (%s) > max_id (%d)", word, pmcGroupCount - 1);
    SIM_TCLPRINT(interpreter, "%s", text);
    return false;
}

int32_t group_event(long group, int counter)
{
    return pmcGroups[group * PMC_COUNTERS + counter];
}

// {event name, the thread's count}.
Tcl_Obj *event_pair(ThreadState *thread, int32_t event)
{
    Tcl_Obj *pair = Tcl_NewListObj(0, nullptr);
    Tcl_ListObjAppendElement(nullptr, pair, Tcl_NewStringObj(ID2Name(pmcEventName, event), -1));
    Tcl_ListObjAppendElement(nullptr, pair,
                             Tcl_NewWideIntObj((Tcl_WideInt)(thread ? PMC_get_stat(thread, event) : 0)));
    return pair;
}

// An event the monitor knows: one with a name, or one of the selected group tables.
bool known_event(int64_t event)
{
    for (const IDNamePair *row = pmcEventName; row->name; row++)
        if (row->id == event) return true;
    for (int32_t i = 0; pmcGroups && i < pmcGroupCount * PMC_COUNTERS; i++)
        if (pmcGroups[i] == event) return true;
    return false;
}

bool parse_long(const char *word, long *value)
{
    char *end = nullptr;
    errno = 0;
    *value = strtol(word, &end, 10);
    return errno == 0;
}

} // namespace

int StatsChipPrintStat(MCM *chip, Tcl_Interp *interpreter, int32_t id)
{
    GenericMachine *machine = chip ? chip->machine : nullptr;
    if (!machine || id < 0 || id >= STATS_LIST_SIZE) return 0;
    const GenericMachineStats &s = machine->stats;
    switch (id) {
    case 0:
        if (!machine->tsim) return 0;
        SIM_TCLPRINT(interpreter, "%ldt", (long)machine->tsim->now);
        return 1;
    case 12:
        SIM_TCLPRINT(interpreter, "%ld", (long)s.l1i_misses);
        return 1;
    case 13:
        SIM_TCLPRINT(interpreter, "%ld", (long)s.l1d_misses);
        return 1;
    case 14:
        SIM_TCLPRINT(interpreter, "%ld", (long)s.l2_misses);
        return 1;
    case 19:
        SIM_TCLPRINT(interpreter, "%6.4f", rate(s.l1i_misses, s.l1i_misses + s.l1i_hits));
        return 1;
    case 20:
        SIM_TCLPRINT(interpreter, "%6.4f", rate(s.l1d_misses, s.l1d_misses + s.l1d_hits));
        return 1;
    case 21:
        SIM_TCLPRINT(interpreter, "%6.4f", rate(s.l2_misses, s.l2_misses + s.l2_hits));
        return 1;
    default:
        // Page misses and disk accesses are not counted by this machine record.
        return 0;
    }
}

void StatsThreadPrint(ThreadState *, Tcl_Interp *interpreter, int32_t mask)
{
    each_row([&](const StatsListRow &row) {
        if (row.not_displayed || !(row.mask & mask)) return;
        SIM_TCLPRINT(interpreter, "\n%s", row.label);
        SIM_TCLPRINT(interpreter, "  ");
        SIM_TCLPRINT(interpreter, "Missing implementation");
    });
}

void StatsChipPrint(MCM *chip, Tcl_Interp *interpreter, int32_t mask)
{
    each_row([&](const StatsListRow &row) {
        if (row.not_displayed || !(row.mask & mask)) return;
        SIM_TCLPRINT(interpreter, "\n%s", row.label);
        SIM_TCLPRINT(interpreter, "  ");
        if (!StatsChipPrintStat(chip, interpreter, row.stat_id)) SIM_TCLPRINT(interpreter, "Missing implementation");
    });
}

const char *PMC_Format_Line(ThreadState *thread, int32_t counter, int32_t event)
{
    static char line[256];
    char count[PUNCTUATE_BUFFER_SIZE];
    PunctuateLargeInteger(count, (int64_t)PMC_get_stat(thread, event));
    snprintf(line, sizeof line, "PMR%d = %15s  %s\n", counter, count, ID2Name(pmcEventName, event));
    return line;
}

// ---- the list ----

int StatsListCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    each_row([&](const StatsListRow &row) {
        SIM_TCLPRINT(interpreter, "\n%s", row.name);
        SIM_TCLPRINT(interpreter, row.not_displayed ? " -- not displayed" : " -- displayed");
    });
    return 0;
}

int StatsListConfigCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    each_row([&](const StatsListRow &row) {
        SIM_TCLPRINT(interpreter, "%s { label \"%s\" displayed %d } \n", row.name, row.label, row.not_displayed ? 0 : 1);
    });
    return 0;
}

int StatsAddCmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    StatsListRow *row = find_row(argv[1]);
    if (!row) {
        SIM_TCLPRINT(interpreter, "%s not an attribute", argv[1]);
        return 0;
    }
    row->not_displayed = 0;
    SIM_TCLPRINT(interpreter, "%s added", argv[1]);
    return 0;
}

int StatsRemoveCmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    StatsListRow *row = find_row(argv[1]);
    if (!row) {
        SIM_TCLPRINT(interpreter, "%s not an attribute", argv[1]);
        return 0;
    }
    row->not_displayed = 1;
    SIM_TCLPRINT(interpreter, "%s removed", argv[1]);
    return 0;
}

// ---- display ----

int ThreadStatsDisplayCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    const int32_t mask = kind_mask(argv[1]);
    if (mask == STATS_ALL || mask == STATS_CPU) {
        StatsThreadPrint(thread, interpreter, mask);
        return 0;
    }
    if (mask) {
        StatsChipPrint(thread->mcm, interpreter, mask);
        return 0;
    }
    if (find_row(argv[1])) return 0;
    SIM_TCLPRINT(interpreter, "%s not an attribute", argv[1]);
    return 1;
}

int MachineStatsDisplayCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    MCM *chip = select_mcm(selector);
    if (!chip) return 1;
    const int32_t mask = kind_mask(argv[1]);
    if (mask) {
        StatsChipPrint(chip, interpreter, mask);
        return 0;
    }
    if (const StatsListRow *row = find_row(argv[1])) {
        StatsChipPrintStat(chip, interpreter, row->stat_id);
        return 0;
    }
    SIM_TCLPRINT(interpreter, "%s not an attribute", argv[1]);
    return 1;
}

// ---- machine-wide ----

int StatsResetAllCmd(Selector *selector, Tcl_Interp *, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    typedef void (*Reset)(void *, GenericMachine *);
    for (Callback_Function *entry = callBackFunctionLists[CALLBACK_STATS_RESET].head; entry; entry = entry->next)
        if (entry->function) reinterpret_cast<Reset>(entry->function)(entry->data, machine);
    return 0;
}

namespace
{
void print_all(GenericMachine *machine, int verbose)
{
    typedef void (*Print)(void *, GenericMachine *, int, int);
    for (Callback_Function *entry = callBackFunctionLists[CALLBACK_STATS_PRINT].head; entry; entry = entry->next)
        if (entry->function) reinterpret_cast<Print>(entry->function)(entry->data, machine, 0, verbose);
}
} // namespace

int StatsPrintAllCmd(Selector *selector, Tcl_Interp *, int, char **)
{
    print_all(select_machine(selector), 0);
    return 0;
}

int StatsVerbosePrintAllCmd(Selector *selector, Tcl_Interp *, int, char **)
{
    print_all(select_machine(selector), 1);
    return 0;
}

// ---- performance-monitor counters ----

int StatsSetPMCBaseCmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    PMC_init_tables(argv[1]);
    SIM_TCLPRINT(interpreter, "Starting using %s PMCs", argv[1]);
    return 0;
}

int StatsSetPMCGroupCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    long group = 0;
    if (!parse_long(argv[1], &group) || !group_in_range(interpreter, argv[1], group)) return 1;
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    for (int32_t i = 0; i < GenericMachine__ThreadCount(machine); i++) {
        ThreadState *thread = GenericMachine__Thread(machine, i);
        if (thread && thread->pmc_info) thread->pmc_info->group = (int32_t)group;
    }
    SIM_TCLPRINT(interpreter, "Enabling PMC group %d", (int)group);
    return 0;
}

int StatsReadPMCGroupCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    long group = 0;
    if (!parse_long(argv[1], &group) || !group_in_range(interpreter, argv[1], group)) return 1;
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    for (int32_t i = 0; i < GenericMachine__ThreadCount(machine); i++) {
        ThreadState *thread = GenericMachine__Thread(machine, i);
        if (!thread) continue;
        SIM_TCLPRINT(interpreter, "::::::Process-%d, Group-%d::::::\n", i, (int)group);
        for (int n = 0; n < PMC_COUNTERS; n++)
            SIM_TCLPRINT(interpreter, "%s", PMC_Format_Line(thread, n, group_event(group, n)));
    }
    return 0;
}

int StatsReadPMCEventCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    long event = 0;
    if (!parse_long(argv[1], &event) || !known_event(event)) {
        SIM_TCLPRINT(interpreter, "Bad PMC event (%s)", argv[1]);
        return 1;
    }
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    SIM_TCLPRINT(interpreter, "%s", PMC_Format_Line(thread, 0, (int32_t)event));
    return 0;
}

int StatsDumpPMCGroupCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int group = 0;
    if (Tcl_GetInt(interpreter, argv[1], &group) != TCL_OK) {
        char text[128];
        snprintf(text, sizeof text, "Invalid group ID '%s'", argv[1]);
        SIM_TCLPRINT(interpreter, "%s", text);
        return 1;
    }
    if (!group_in_range(interpreter, argv[1], group)) return 1;
    ThreadState *thread = select_thread(selector);
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (int n = 0; n < PMC_COUNTERS; n++) {
        Tcl_ListObjAppendElement(nullptr, list, Tcl_NewIntObj(n));
        Tcl_ListObjAppendElement(nullptr, list, event_pair(thread, group_event(group, n)));
    }
    Tcl_SetObjResult(interpreter, list);
    return 0;
}

int StatsDumpPMCCounterCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    char text[128];
    if (argc < 3) {
        snprintf(text, sizeof text, "%s: Need to specify both group_id and counter_id", argv[0]);
        SIM_TCLPRINT(interpreter, "%s", text);
        return 1;
    }
    int group = 0, counter = 0;
    if (Tcl_GetInt(interpreter, argv[1], &group) != TCL_OK) {
        snprintf(text, sizeof text, "Invalid group ID '%s'", argv[1]);
        SIM_TCLPRINT(interpreter, "%s", text);
        return 1;
    }
    if (!group_in_range(interpreter, argv[1], group)) return 1;
    if (Tcl_GetInt(interpreter, argv[2], &counter) != TCL_OK) {
        snprintf(text, sizeof text, "Invalid counter ID '%s'", argv[2]);
        SIM_TCLPRINT(interpreter, "%s", text);
        return 1;
    }
    if ((unsigned)counter > 7) {
        snprintf(text, sizeof text, "Invalid counter ID %d out of range [0..7]", counter);
        SIM_TCLPRINT(interpreter, "%s", text);
        return 1;
    }
    // A group has six events: counters 6 and 7 name no event and count nothing.
    if (counter >= PMC_COUNTERS) {
        Tcl_Obj *pair = Tcl_NewListObj(0, nullptr);
        Tcl_ListObjAppendElement(nullptr, pair, Tcl_NewStringObj("", 0));
        Tcl_ListObjAppendElement(nullptr, pair, Tcl_NewIntObj(0));
        Tcl_SetObjResult(interpreter, pair);
        return 0;
    }
    Tcl_SetObjResult(interpreter, event_pair(select_thread(selector), group_event(group, counter)));
    return 0;
}

namespace
{
void add_list_commands(SimCmdTable *table)
{
    add_simcommand(table, "list", StatsListCmd, "StatsListCmd", 0, 0, nullptr);
    add_simcommand(table, "listconfig", StatsListConfigCmd, "StatsListConfigCmd", 0, 0, nullptr);
    add_simcommand(table, "add", StatsAddCmd, "StatsAddCmd", 1, 0, "{stat}");
    add_simcommand(table, "remove", StatsRemoveCmd, "StatsRemoveCmd", 1, 0, "{stat}");
}
} // namespace

SimCmdTable *build_ThreadStatsCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("ThreadStats");
    add_list_commands(table);
    add_simcommand(table, "display", ThreadStatsDisplayCmd, "ThreadStatsDisplayCmd", 1, 0, "{stat(s)}");
    return table;
}

SimCmdTable *build_MachineStatsCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("MachineStats");
    add_simcommand(table, "reset_all", StatsResetAllCmd, "StatsResetAllCmd", 0, 0, nullptr);
    add_simcommand(table, "print_all", StatsPrintAllCmd, "StatsPrintAllCmd", 0, 0, nullptr);
    add_simcommand(table, "verbose_print_all", StatsVerbosePrintAllCmd, "StatsVerbosePrintAllCmd", 0, 0, nullptr);
    add_list_commands(table);
    add_simcommand(table, "display", MachineStatsDisplayCmd, "MachineStatsDisplayCmd", 1, 0, "{stat(s)}");
    add_simcommand(table, "pmc_base", StatsSetPMCBaseCmd, "StatsSetPMCBaseCmd", 1, 0, "{morvin|zenk|zolt}");
    add_simcommand(table, "pmc_group", StatsSetPMCGroupCmd, "StatsSetPMCGroupCmd", 1, 0, "{PMC Group ID}");
    add_simcommand(table, "read_pmc_group", StatsReadPMCGroupCmd, "StatsReadPMCGroupCmd", 1, 0, "{PMC Group ID}");
    add_simcommand(table, "read_pmc_event", StatsReadPMCEventCmd, "StatsReadPMCEventCmd", 1, 0, "{PMC Event ID}");
    add_simcommand(table, "dump_pmc_group", StatsDumpPMCGroupCmd, "StatsDumpPMCGroupCmd", 1, 0, "{PMC Event ID}");
    add_simcommand(table, "dump_pmc_counter", StatsDumpPMCCounterCmd, "StatsDumpPMCCounterCmd", 2, 0,
                   "{PMC Group ID} {PMC Counter ID}");
    return table;
}
