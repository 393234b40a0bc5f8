// Firing of register triggers.
#include "processor/regs/reg_triggers.h"

#include <cstdio>

#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/shared_msr_text.h"
#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/tcl_eval.h"

namespace
{

constexpr size_t FIRING_TEXT_SIZE = 1024;
constexpr size_t EVALUATION_TEXT_SIZE = 2048;

// "mcm %d cpu %d thread %d reg %s val 0x%016lX" for the instruction's thread.
void firing_text(char *text, IOPDesc *iop, const Reg_Trigger_Desc *record, uint64_t value)
{
    ThreadState *thread = iop ? iop->thread : nullptr;
    int chip = thread && thread->mcm ? thread->mcm->number : 0;
    int core = thread && thread->processor ? (int)thread->processor->number_in_chip : 0;
    int number = thread ? thread->thread_id_in_core : 0;
    snprintf(text, FIRING_TEXT_SIZE, "mcm %d cpu %d thread %d reg %.64s val 0x%016lX", chip, core, number,
             record->name, (unsigned long)value);
}

int evaluate(const char *text)
{
    return safe_Tcl_Eval(quarn_common.interpreter, text);
}

} // namespace

Reg_Trigger_Node *Reg_Trigger_Append(Reg_Trigger_List *list, void *data)
{
    Reg_Trigger_Node *node = QUARN_ZALLOC(1, Reg_Trigger_Node);
    if (!node) return nullptr;
    node->data = data;
    node->prev = list->tail;
    if (list->tail)
        list->tail->next = node;
    else
        list->head = node;
    list->tail = node;
    list->count++;
    return node;
}

int Reg_Trigger_Node_New(Reg_Trigger_Desc *set, const char *name, const char *command, uint64_t value)
{
    if (!set->name[0]) snprintf(set->name, sizeof set->name, "%s", name ? name : "");
    int index = 0;
    Reg_Trigger_Node *node = set->write.head;
    for (; node && node->data; node = node->next) index++;
    if (!node) {
        node = Reg_Trigger_Append(&set->write, nullptr);
        if (!node) return index;
    }
    Reg_Trigger_Write *record = QUARN_ZALLOC(1, Reg_Trigger_Write);
    if (!record) return index;
    record->change_mask = value;
    snprintf(record->procedure, sizeof record->procedure, "%s", command ? command : "");
    node->data = record;
    Reg_Trigger_Append(&set->enabled_write, record);
    return index;
}

int Invoke_Reg_Read_Triggers(IOPDesc *iop, Reg_Trigger_Desc *record, uint64_t value)
{
    if (!Reg_Read_Triggers_Armed(record)) return 0;
    char line[FIRING_TEXT_SIZE];
    char text[EVALUATION_TEXT_SIZE];
    firing_text(line, iop, record, value);
    int result = 0;
    for (Reg_Trigger_Node *node = record->enabled_read.head; node; node = node->next) {
        const Reg_Trigger_Read *trigger = (const Reg_Trigger_Read *)node->data;
        if (!trigger || !trigger->procedure[0]) continue;
        snprintf(text, sizeof text, "%.256s %s", trigger->procedure, line);
        result = evaluate(text);
    }
    return result;
}

void Invoke_Reg_Write_Triggers(IOPDesc *iop, Reg_Trigger_Desc *record, const uint64_t *old_value,
                               uint64_t new_value)
{
    if (!Reg_Write_Triggers_Armed(record)) return;
    char line[FIRING_TEXT_SIZE];
    char text[EVALUATION_TEXT_SIZE];
    firing_text(line, iop, record, new_value);
    for (Reg_Trigger_Node *node = record->enabled_write.head; node; node = node->next) {
        const Reg_Trigger_Write *trigger = (const Reg_Trigger_Write *)node->data;
        if (!trigger || !trigger->procedure[0]) continue;
        if (trigger->match_mask) {
            uint64_t masked = new_value & trigger->match_mask;
            if (masked != trigger->match_value) continue;
            snprintf(text, sizeof text, "%.256s %s match 0x%016lX", trigger->procedure, line,
                     (unsigned long)masked);
        } else if (old_value) {
            if (((new_value ^ *old_value) & trigger->change_mask) == 0) continue;
            snprintf(text, sizeof text, "%.256s %s old 0x%016lX", trigger->procedure, line,
                     (unsigned long)*old_value);
        } else {
            if ((new_value & trigger->change_mask) == 0) continue;
            snprintf(text, sizeof text, "%.256s %s", trigger->procedure, line);
        }
        evaluate(text);
    }
}

void Maybe_Invoke_Reg_Read_Triggers(IOPDesc *iop, Reg_Trigger_Desc *record, uint64_t value)
{
    if (!iop || !Reg_Read_Triggers_Armed(record)) return;
    if (iop->defer_side_effects)
        iop->deferred_triggers |= DEFERRED_READ_TRIGGER;
    else
        Invoke_Reg_Read_Triggers(iop, record, value);
}

void Maybe_Invoke_Reg_Write_Triggers(IOPDesc *iop, Reg_Trigger_Desc *record, uint64_t old_value,
                                     uint64_t new_value)
{
    if (!iop || !Reg_Write_Triggers_Armed(record)) return;
    if (iop->defer_side_effects)
        iop->deferred_triggers |= DEFERRED_WRITE_TRIGGER;
    else
        Invoke_Reg_Write_Triggers(iop, record, &old_value, new_value);
}

uint64_t iGET_MSR(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    uint64_t value = thread->MSR.value;
    Note_MSR_Deferred(value); // the shared MSR text is rendered only when it is read
    if (Reg_Read_Triggers_Armed(thread->MSR.trigger))
        Invoke_Reg_Read_Triggers(iop, thread->MSR.trigger, value);
    return value;
}
