// The processor and thread "trigger" table: register, SPR, ERAT and TLB triggers.
#include "command/processor_trigger_commands.h"

#include <tcl.h>

#include <cstdio>
#include <cstring>

#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "command/register_commands.h"
#include "command/selector.h"
#include "exec/reg_trigger_command.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/spr/ex_spr.h"
#include "processor/spr/spr_table.h"
#include "processor/translation/erat.h"
#include "processor/translation/tlb.h"
#include "runtime/alloc.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"
#include "runtime/utils.h"

void Trigger_Desc_Set(TLB_Trigger_Desc **slot, const char *procedure)
{
    if (!*slot) *slot = QUARN_ZALLOC(1, TLB_Trigger_Desc);
    if (!*slot) return;
    if ((*slot)->procedure) FORGET_STRING((*slot)->procedure);
    (*slot)->procedure = REMEMBER_STRING(procedure);
    (*slot)->enabled = 1;
}

void Trigger_Desc_Clear(TLB_Trigger_Desc *desc)
{
    if (!desc) return;
    if (desc->procedure) FORGET_STRING(desc->procedure);
    desc->procedure = nullptr;
    desc->enabled = 0;
}

void Trigger_Desc_Enable(TLB_Trigger_Desc *desc, int enabled)
{
    if (desc) desc->enabled = enabled ? 1 : 0;
}

Tcl_Obj *Trigger_Desc_List(const TLB_Trigger_Desc *desc)
{
    Tcl_Obj *items[4] = {Tcl_NewStringObj("enable", -1), Tcl_NewIntObj(desc && desc->enabled ? 1 : 0),
                         Tcl_NewStringObj("proc", -1),
                         Tcl_NewStringObj(desc && desc->procedure ? desc->procedure : "none", -1)};
    return Tcl_NewListObj(4, items);
}

namespace
{

// 1 when the pattern matches anywhere in the name; an expression Tcl cannot compile matches nothing.
bool name_matches(Tcl_Interp *interpreter, const char *name, Tcl_Obj *pattern)
{
    Tcl_Obj *text = Tcl_NewStringObj(name, -1);
    Tcl_IncrRefCount(text);
    int match = Tcl_RegExpMatchObj(interpreter, text, pattern);
    Tcl_DecrRefCount(text);
    if (match < 0) Tcl_ResetResult(interpreter);
    return match > 0;
}

void visit_erats(Tcl_Interp *interpreter, ERAT_Struct *erats, uint32_t count, Tcl_Obj *pattern,
                 Trigger_Desc_Action action, void *data)
{
    for (uint32_t i = 0; erats && i < count; i++)
        if (name_matches(interpreter, erats[i].name, pattern)) action(erats[i].name, &erats[i].trigger, data);
}

} // namespace

void ERAT_Trigger_Visit(Tcl_Interp *interpreter, ProcessorState *processor, const char *pattern,
                        Trigger_Desc_Action action, void *data)
{
    if (!processor) return;
    Tcl_Obj *expression = Tcl_NewStringObj(pattern, -1);
    Tcl_IncrRefCount(expression);
    // Without instruction ERATs the instruction array is the data array; each ERAT is visited once.
    if (processor->ierats != processor->derats)
        visit_erats(interpreter, processor->ierats, processor->ierat_count, expression, action, data);
    visit_erats(interpreter, processor->derats, processor->derat_count, expression, action, data);
    Tcl_DecrRefCount(expression);
}

void TLB_Trigger_Visit(Tcl_Interp *interpreter, GenericMachine *machine, const char *pattern,
                       Trigger_Desc_Action action, void *data)
{
    if (!machine) return;
    Tcl_Obj *expression = Tcl_NewStringObj(pattern, -1);
    Tcl_IncrRefCount(expression);
    for (int32_t i = 0;; i++) {
        ProcessorState *core = GenericMachine__Processor(machine, i);
        if (!core) break;
        TLB *tlb = core->tlb;
        if (tlb && tlb->name && name_matches(interpreter, tlb->name, expression)) action(tlb->name, &tlb->trigger, data);
    }
    Tcl_DecrRefCount(expression);
}

namespace
{

// ---- registers ----

int PPC_TriggerGPRCmd(Selector *selector, Tcl_Interp *interp, int argc, char **argv)
{
    int index = 0;
    if (Indexed_Reg_Trigger_Index(interp, "gpr", 32, argc, argv, &index)) return 1;
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    char name[16];
    snprintf(name, sizeof name, "gpr:%d", index);
    return Reg_Trigger_Command(interp, name, &thread->GPR[index].trigger, argc, argv, 2);
}

int spr_trigger_error(Tcl_Interp *interp, ThreadState *thread, const char *format, const char *name)
{
    SIM_TCLPRINT(interp, format, name);
    SIM_TCLPRINT(interp, "Use 'display spr [list|values]' to see the supported sprs.\n");
    return thread->machine && thread->machine->machine_options[MO_STRICT] ? 1 : 0;
}

int PPC_TriggerSPRCmd(Selector *selector, Tcl_Interp *interp, int argc, char **argv)
{
    if (argc < 2) {
        SIM_TCLPRINT(interp, "?%s: need spr name?", argv[0]);
        return 1;
    }
    ThreadState *thread = select_thread(selector);
    if (!thread || !thread->processor) return 1;
    ProcessorState *core = thread->processor;
    const char *name = Translate_SPR_Name(argv[1]);
    int32_t number = Find_SPR_Number(core, name);
    if (number == SPR_NONE) {
        int ok = 0;
        uint64_t value = STRING2INT_rc_silent(name, &ok);
        if (ok && value < (uint64_t)SPR_TABLE_SIZE && valid_spr_number(core, (int32_t)value)) number = (int32_t)value;
    }
    if (number == SPR_NONE) {
        int32_t row = Convert_ex_SPR_Name_To_Enum(core, name);
        Reg_Trigger_Desc **slot = row != EX_SPR_NONE ? get_ex_spr_register_trig(thread, row) : nullptr;
        if (!slot) return spr_trigger_error(interp, thread, "Register Trigger Error: Unknown spr name: %s\n", name);
        Reg_Trigger_Command(interp, name, slot, argc, argv, 2);
        return 0;
    }
    if (!Valid_SPR(core, number)) return spr_trigger_error(interp, thread, "Error: Invalid spr: %s\n", name);
    // No ordinary SPR carries a trigger slot here, so the trigger is accepted and does nothing.
    get_spr_register(thread, (uint64_t)number, 0);
    return 0;
}

// ---- ERATs and TLBs ----

void set_action(const char *, TLB_Trigger_Desc **slot, void *procedure)
{
    Trigger_Desc_Set(slot, (const char *)procedure);
}
void clear_action(const char *, TLB_Trigger_Desc **slot, void *)
{
    Trigger_Desc_Clear(*slot);
}
void enable_action(const char *, TLB_Trigger_Desc **slot, void *)
{
    Trigger_Desc_Enable(*slot, 1);
}
void disable_action(const char *, TLB_Trigger_Desc **slot, void *)
{
    Trigger_Desc_Enable(*slot, 0);
}
void list_action(const char *name, TLB_Trigger_Desc **slot, void *list)
{
    if (!*slot) return;
    Tcl_ListObjAppendElement(nullptr, (Tcl_Obj *)list, Tcl_NewStringObj(name, -1));
    Tcl_ListObjAppendElement(nullptr, (Tcl_Obj *)list, Trigger_Desc_List(*slot));
}

// Runs the action over the ERATs (erat true) or TLBs matching argv[1].
int visit(Selector *selector, Tcl_Interp *interp, const char *pattern, bool erat, Trigger_Desc_Action action,
          void *data)
{
    if (erat)
        ERAT_Trigger_Visit(interp, select_processor(selector), pattern, action, data);
    else
        TLB_Trigger_Visit(interp, select_machine(selector), pattern, action, data);
    return 0;
}

int list_matching(Selector *selector, Tcl_Interp *interp, const char *pattern, bool erat)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    Tcl_IncrRefCount(list);
    visit(selector, interp, pattern, erat, list_action, list);
    Tcl_SetObjResult(interp, list);
    Tcl_DecrRefCount(list);
    return 0;
}

int ERAT_TriggerListMatchingCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return list_matching(s, i, argv[1], true);
}
int ERAT_TriggerSetMatchingCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return visit(s, i, argv[1], true, set_action, argv[2]);
}
int ERAT_TriggerClearMatchingCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return visit(s, i, argv[1], true, clear_action, nullptr);
}
int ERAT_TriggerEnableMatchingCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return visit(s, i, argv[1], true, enable_action, nullptr);
}
int ERAT_TriggerDisableMatchingCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return visit(s, i, argv[1], true, disable_action, nullptr);
}
int TLB_TriggerListMatchingCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return list_matching(s, i, argv[1], false);
}
int TLB_TriggerSetMatchingCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return visit(s, i, argv[1], false, set_action, argv[2]);
}
int TLB_TriggerClearMatchingCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return visit(s, i, argv[1], false, clear_action, nullptr);
}
int TLB_TriggerEnableMatchingCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return visit(s, i, argv[1], false, enable_action, nullptr);
}
int TLB_TriggerDisableMatchingCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return visit(s, i, argv[1], false, disable_action, nullptr);
}

struct CacheTriggerCommands {
    SimCmdHandler list, set, clear, enable, disable;
    const char *names[5];
};

SimCmdTable *build_cache_trigger_table(const char *table_name, const CacheTriggerCommands &c)
{
    SimCmdTable *table = Init_SimCmdTable(table_name);
    add_simcommand(table, "list", c.list, c.names[0], 1, 0, "{pattern}");
    add_simcommand(table, "set", c.set, c.names[1], 2, 0, "{pattern tcl-proc}");
    add_simcommand(table, "clear", c.clear, c.names[2], 1, 0, "{pattern}");
    add_simcommand(table, "enable", c.enable, c.names[3], 1, 0, "{pattern}");
    add_simcommand(table, "disable", c.disable, c.names[4], 1, 0, "{pattern}");
    return table;
}

SimCmdTable *build_ERAT_TriggerTable(void)
{
    return build_cache_trigger_table(
        "ERAT_Trigger", {ERAT_TriggerListMatchingCmd,
                         ERAT_TriggerSetMatchingCmd,
                         ERAT_TriggerClearMatchingCmd,
                         ERAT_TriggerEnableMatchingCmd,
                         ERAT_TriggerDisableMatchingCmd,
                         {"ERAT_TriggerListMatchingCmd", "ERAT_TriggerSetMatchingCmd", "ERAT_TriggerClearMatchingCmd",
                          "ERAT_TriggerEnableMatchingCmd", "ERAT_TriggerDisableMatchingCmd"}});
}

SimCmdTable *build_TLB_TriggerTable(void)
{
    return build_cache_trigger_table(
        "TLB_Trigger", {TLB_TriggerListMatchingCmd,
                        TLB_TriggerSetMatchingCmd,
                        TLB_TriggerClearMatchingCmd,
                        TLB_TriggerEnableMatchingCmd,
                        TLB_TriggerDisableMatchingCmd,
                        {"TLB_TriggerListMatchingCmd", "TLB_TriggerSetMatchingCmd", "TLB_TriggerClearMatchingCmd",
                         "TLB_TriggerEnableMatchingCmd", "TLB_TriggerDisableMatchingCmd"}});
}

} // namespace

SimCmdTable *build_ppc_triggerCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("ppc_trig");
    add_simcommand(table, "gpr", PPC_TriggerGPRCmd, "PPC_TriggerGPRCmd", -1, 0, nullptr);
    add_simcommand(table, "spr", PPC_TriggerSPRCmd, "PPC_TriggerSPRCmd", -1, 0, nullptr);
    connect_subtable(table, "erat", build_ERAT_TriggerTable(), 0, nullptr);
    connect_subtable(table, "tlb", build_TLB_TriggerTable(), 0, nullptr);
    return table;
}
