// The cycle-level core's command tables.
#include "command/core_commands.h"

#include <tcl.h>

#include <strings.h>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "core/cycle_core_stats.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

// Calls visit(thread) for the threads of the selection level: the machine's (0), the selected
// processor's (2) or the selected thread (3). False at the chip level (1), with its message;
// true otherwise, or false when visit answers false (the walk stops there).
template <typename Visit> int each_selected_thread(Selector *selector, Tcl_Interp *interpreter, Visit visit)
{
    switch (what_selector_level(selector)) {
    case 0: {
        GenericMachine *machine = select_machine(selector);
        for (int32_t i = 0; machine && i < GenericMachine__ThreadCount(machine); i++)
            if (ThreadState *thread = GenericMachine__Thread(machine, i))
                if (!visit(thread)) return 0;
        return 1;
    }
    case 2: {
        ProcessorState *core = select_processor(selector);
        for (uint32_t i = 0; core && i < core->num_threads; i++)
            if (!visit(&core->threads[i])) return 0;
        return 1;
    }
    case 3: {
        ThreadState *thread = select_thread(selector);
        return thread && !visit(thread) ? 0 : 1;
    }
    default:
        SIM_TCLPRINT(interpreter, "Wrong selector level");
        return -1;
    }
}

int bucket_switch(Selector *selector, Tcl_Interp *interpreter, const char *name, bool start)
{
    if (!ccoreGlobalConfig.built) {
        SIM_TCLPRINT(interpreter, "Couldn't find bucket: %s", name);
        return 1;
    }
    int walked = each_selected_thread(selector, interpreter, [&](ThreadState *thread) {
        // A thread without a core state has no buckets.
        if (!thread->cthread) return false;
        return (start ? CThreadStats_bucket_start(thread->cthread, name)
                      : CThreadStats_bucket_stop(thread->cthread, name)) != 0;
    });
    if (walked == 0) {
        SIM_TCLPRINT(interpreter, "Couldn't find bucket: %s", name);
        return 1;
    }
    return 0;
}

} // namespace

int CycleCore_tcl_cmd_stats(Selector *selector, Tcl_Interp *, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    const char *word = argv[1];
    if (!strcasecmp(word, "print") || !strcasecmp(word, "dump"))
        CycleCore_stats_print(nullptr, machine, 0, 0);
    else if (!strcasecmp(word, "verbose_print") || !strcasecmp(word, "verbose_dump"))
        CycleCore_stats_print(nullptr, machine, 0, 1);
    else if (!strcasecmp(word, "reset"))
        CycleCore_stats_reset(nullptr, machine);
    return 0;
}

int CycleCore_tcl_cmd_dump(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    int ok = 0;
    int64_t core = (int64_t)STRING2INT_rc(argv[1], &ok);
    if (ok && core >= 0 && core < ccoreGlobalConfig.num_cores)
        CycleCore_dump_one((int32_t)core);
    else
        CycleCore_dump_cb(nullptr);
    SIM_TCLPRINT(interpreter, ":::CCoreState DUMP DONE!:::");
    return 0;
}

int CycleCore_tcl_cmd_chicken_switch(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread || !thread->cthread) return 0;
    int ok = 0;
    int on = STRING2BOOLEAN_rc(argv[1], &ok);
    if (!ok) {
        SIM_TCLPRINT(interpreter, "Usage: %s {on|off}", argv[0]);
        return 1;
    }
    if (on) {
        thread->cthread->flags |= CTHREAD_CHICKEN_SWITCH;
        CycleCore_chicken_switch_on(thread->cthread);
    } else {
        thread->cthread->flags &= (uint8_t)~CTHREAD_CHICKEN_SWITCH;
    }
    return 0;
}

int CycleCore_tcl_cmd_setting(Selector *, Tcl_Interp *, int, char **)
{
    CycleCore_config_print(nullptr);
    return 0;
}

int CCoreStats_tcl_cmd_bucket_create(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    if (!ccoreGlobalConfig.built) CycleCore_fix(select_machine(selector));
    each_selected_thread(selector, interpreter, [&](ThreadState *thread) {
        if (thread->cthread) CThreadStats_bucket_create(thread->cthread, argv[1]);
        return true;
    });
    return 0;
}

int CCoreStats_tcl_cmd_bucket_start(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return bucket_switch(selector, interpreter, argv[1], true);
}

int CCoreStats_tcl_cmd_bucket_stop(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return bucket_switch(selector, interpreter, argv[1], false);
}

SimCmdTable *CycleCore_build_cmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("core");
    add_simcommand(table, "stats", CycleCore_tcl_cmd_stats, "CycleCore_tcl_cmd_stats", 1, 0,
                   "{print|reset|verbose_print}");
    add_simcommand(table, "dump", CycleCore_tcl_cmd_dump, "CycleCore_tcl_cmd_dump", 1, 0, "{core-id}");
    SimCmdTable *set = Init_SimCmdTable("set");
    add_simcommand(set, "chicken_switch", CycleCore_tcl_cmd_chicken_switch, "CycleCore_tcl_cmd_chicken_switch", 1, 0,
                   "{on|off}");
    connect_subtable(table, "set", set, 0, nullptr);
    SimCmdTable *display = Init_SimCmdTable("display");
    add_simcommand(display, "setting", CycleCore_tcl_cmd_setting, "CycleCore_tcl_cmd_setting", 0, 0,
                   "(Show the setting of the core)");
    connect_subtable(table, "display", display, 0, nullptr);
    return table;
}

SimCmdTable *CycleCore_build_public_cmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("core");
    add_simcommand(table, "stats", CycleCore_tcl_cmd_stats, "CycleCore_tcl_cmd_stats", 1, 0,
                   "{print|reset|verbose_print}");
    return table;
}

void CycleCore_add_simcmds(void *, SimCmdTable *table)
{
    if (!table || !Search_SimCmdTable(table, "stats")) return;
    SimCmdTable *stats = SimCmd_Get_SubTable(table, "stats");
    add_simcommand(stats, "bucket_create", CCoreStats_tcl_cmd_bucket_create, "CCoreStats_tcl_cmd_bucket_create", 1, 0,
                   "{name}");
    add_simcommand(stats, "bucket_start", CCoreStats_tcl_cmd_bucket_start, "CCoreStats_tcl_cmd_bucket_start", 1, 0,
                   "{name}");
    add_simcommand(stats, "bucket_stop", CCoreStats_tcl_cmd_bucket_stop, "CCoreStats_tcl_cmd_bucket_stop", 1, 0,
                   "{name}");
}
