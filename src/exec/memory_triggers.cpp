// Memory triggers: the sorted list, its summaries, adding, removing and the access check.
#include "exec/memory_triggers.h"

#include <initializer_list>

#include "exec/hooks/translator_triggers.h"
#include "exec/pc_triggers.h"
#include "processor/hooks/pturbo_control.h"
#include "processor/records/generic_machine.h"
#include "processor/records/thread_state.h"
#include "processor/run/run_control.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/object_registry.h"

namespace
{

int32_t token_counter = 0;

TriggerTable *table_of(GenericMachine *machine)
{
    return machine ? machine->trigger_table : nullptr;
}

// Inserts by ascending start; an equal trigger of the same start takes the new one's place.
Memory_Trigger *insert(TriggerTable *table, Memory_Trigger *trigger)
{
    Memory_Trigger *previous = nullptr, *at = table->memory_head;
    while (at && at->start < trigger->start) {
        previous = at;
        at = at->next;
    }
    for (; at && at->start == trigger->start; previous = at, at = at->next) {
        if (Trigger_Memory__Equal(at, trigger)) {
            at->count++;
            Trigger_Memory__Delete(trigger);
            return at;
        }
    }
    trigger->next = at;
    if (previous)
        previous->next = trigger;
    else
        table->memory_head = trigger;
    if (!at) table->memory_tail = trigger;
    return trigger;
}

bool summary_rejects(const TriggerTable *table, uint64_t addr, int64_t len, int effective, bool read)
{
    const Memory_Trigger_Summary &summary = table->memory_summary[2 * (read ? 1 : 0) + (effective ? 1 : 0)];
    return summary.count == 0 || addr + (uint64_t)(len - 1) < summary.lowest_start || summary.highest_end < addr;
}

Memory_Trigger *remove_by_token(GenericMachine *machine, int32_t effective, int32_t token)
{
    TriggerTable *table = table_of(machine);
    if (!table) return nullptr;
    for (Memory_Trigger *trigger = table->memory_head, *following; trigger; trigger = following) {
        following = trigger->next;
        if (trigger->effective != effective || trigger->token != token) continue;
        table->memory_last_removed = *trigger;
        Trigger_Memory__Remove_From_List(table, trigger);
        if (trigger->count == 0) Trigger_Memory__Delete(trigger);
    }
    // The copy shares no storage with a released trigger.
    table->memory_last_removed.next = nullptr;
    table->memory_last_removed.hits = nullptr;
    table->memory_last_removed.hits_length = 0;
    tt_memtrigger_reset();
    return &table->memory_last_removed;
}

} // namespace

Memory_Trigger *Trigger_Memory__Add_token(GenericMachine *machine, uint64_t start, uint64_t end, int32_t effective,
                                          uint32_t kinds, int32_t token, Trigger_Callback callback, void *data)
{
    TriggerTable *table = table_of(machine);
    if (!table) return nullptr;
    Memory_Trigger *result = nullptr;
    for (uint32_t kind : {MEMORY_TRIGGER_WRITE, MEMORY_TRIGGER_READ}) {
        if (!(kinds & kind)) continue;
        Memory_Trigger *trigger = QUARN_ZALLOC(1, Memory_Trigger);
        if (!trigger) continue;
        trigger->start = start;
        trigger->end = end;
        trigger->effective = effective;
        trigger->read = kind == MEMORY_TRIGGER_READ;
        trigger->count = 1;
        trigger->token = token;
        trigger->callback = callback;
        trigger->data = data;
        result = insert(table, trigger);
        tt_memtrigger_reset();
        Trigger_Memory__Update_Summary(table);
    }
    return result;
}

Memory_Trigger *Trigger_Memory__Add(GenericMachine *machine, uint64_t start, uint64_t end, int32_t effective,
                                    uint32_t kinds, int32_t, Trigger_Callback callback, void *data)
{
    return Trigger_Memory__Add_token(machine, start, end, effective, kinds, 0, callback, data);
}

Memory_Trigger *Trigger_Memory__Remove(GenericMachine *machine, uint64_t start, uint64_t end, uint32_t kinds)
{
    TriggerTable *table = table_of(machine);
    if (!table) return nullptr;
    for (Memory_Trigger *trigger = table->memory_head; trigger; trigger = trigger->next) {
        if (trigger->start != start || trigger->end != end) continue;
        if (!(kinds & (trigger->read ? MEMORY_TRIGGER_READ : MEMORY_TRIGGER_WRITE))) continue;
        Trigger_Memory__Remove_From_List(table, trigger);
        return trigger;
    }
    tt_memtrigger_reset();
    return nullptr;
}

void Trigger_Memory__Remove_From_List(TriggerTable *table, Memory_Trigger *trigger)
{
    if (!table || !trigger) return;
    Memory_Trigger *previous = nullptr, *at = table->memory_head;
    while (at && at != trigger) {
        previous = at;
        at = at->next;
    }
    if (!at) {
        sim_warning(2, "Trigger_Memory__Remove_From_List: %s:%d: Did not find mtrig:<%p> in table", __FILE__,
                    __LINE__, (void *)trigger);
        return;
    }
    if (--trigger->count <= 0) {
        trigger->count = 0;
        if (previous)
            previous->next = trigger->next;
        else
            table->memory_head = trigger->next;
        if (table->memory_tail == trigger) table->memory_tail = previous;
        trigger->next = nullptr;
    }
    Trigger_Memory__Update_Summary(table);
    tt_memtrigger_reset();
}

Memory_Trigger *Trigger_Memory_Effective__Remove_token(GenericMachine *machine, int32_t token)
{
    return remove_by_token(machine, 1, token);
}

Memory_Trigger *Trigger_Memory_Real__Remove_token(GenericMachine *machine, int32_t token)
{
    return remove_by_token(machine, 0, token);
}

Memory_Trigger *Trigger_Memory_Effective__Remove(GenericMachine *machine)
{
    return remove_by_token(machine, 1, 0);
}

Memory_Trigger *Trigger_Memory_Real__Remove(GenericMachine *machine)
{
    return remove_by_token(machine, 0, 0);
}

void Trigger_Memory__Delete(Memory_Trigger *trigger)
{
    if (!trigger) return;
    QUARN_FREE(trigger->hits);
    QUARN_FREE(trigger);
}

Memory_Trigger *Trigger_Memory__First(GenericMachine *machine)
{
    TriggerTable *table = table_of(machine);
    Memory_Trigger *trigger = table ? table->memory_head : nullptr;
    while (trigger && trigger->disabled) trigger = trigger->next;
    return trigger;
}

Memory_Trigger *Trigger_Memory__Next(GenericMachine *, Memory_Trigger *trigger)
{
    trigger = trigger ? trigger->next : nullptr;
    while (trigger && trigger->disabled) trigger = trigger->next;
    return trigger;
}

int Trigger_Memory__Equal(const Memory_Trigger *a, const Memory_Trigger *b)
{
    return a && b && a->start == b->start && a->end == b->end && a->effective == b->effective &&
           a->read == b->read && a->callback == b->callback && a->data == b->data && a->token == b->token;
}

int32_t Trigger_Memory__get_token(void)
{
    return ++token_counter;
}

void Trigger_Memory__Update_Summary(TriggerTable *table)
{
    if (!table) return;
    for (Memory_Trigger_Summary &summary : table->memory_summary) summary = {0, ~0ull, 0};
    table->memory_enabled = 0;
    for (Memory_Trigger *trigger = table->memory_head; trigger; trigger = trigger->next) {
        Memory_Trigger_Summary &summary = table->memory_summary[2 * trigger->read + (trigger->effective ? 1 : 0)];
        summary.count++;
        if (trigger->start < summary.lowest_start) summary.lowest_start = trigger->start;
        if (trigger->end > summary.highest_end) summary.highest_end = trigger->end;
        if (!trigger->disabled) table->memory_enabled++;
    }
}

void Trigger_Memory__Free_All(TriggerTable *table)
{
    if (!table) return;
    for (Memory_Trigger *trigger = table->memory_head, *following; trigger; trigger = following) {
        following = trigger->next;
        Trigger_Memory__Delete(trigger);
    }
    table->memory_head = table->memory_tail = nullptr;
    Trigger_Memory__Update_Summary(table);
    tt_memtrigger_reset();
}

int32_t Trigger_Memory__Check_Addr(GenericMachine *machine, ThreadState *thread, uint64_t addr, int64_t len,
                                   int effective, uint32_t kind, uint32_t object_id, uint64_t stamp, int fire)
{
    TriggerTable *table = table_of(machine);
    if (!table || table->memory_enabled == 0 || kind > 1 || len <= 0) return 0;
    const bool read = kind == 0;
    if (summary_rejects(table, addr, len, effective, read)) return 0;

    int32_t result = 0;
    bool synced = false;
    const uint64_t last = addr + (uint64_t)(len - 1);
    for (Memory_Trigger *trigger = table->memory_head, *following; trigger; trigger = following) {
        following = trigger->next;
        if (trigger->disabled || (trigger->effective != 0) != (effective != 0) || (trigger->read != 0) != read)
            continue;
        if (trigger->start > addr ? trigger->start > last : trigger->end < addr) continue;

        if (!synced && thread && THREAD_IN_CHUNK_MODE(thread)) {
            // Bringing the time up to date runs other jobs, which may change the triggers.
            Thread_sync_time(thread, "Trigger_Memory__Check_Addr");
            synced = true;
            table = table_of(machine);
            if (!table || table->memory_enabled == 0 || summary_rejects(table, addr, len, effective, read))
                return 0;
            following = table->memory_head;
            continue;
        }
        if (!fire) {
            result = 1;
            continue;
        }
        uint64_t *slot = Trigger_Hit_Slot(&trigger->hits, &trigger->hits_length, (int32_t)object_id);
        // All ones marks a thread that never fired the trigger.
        if (!slot || (*slot != ~0ull && (*slot == stamp || *slot + 1 == stamp))) continue;
        *slot = stamp;
        trigger->last_hit_address = addr;
        trigger->last_hit_length = (int32_t)len;
        pturbo_zap_all_threads_now("Memory Trigger");
        if (BaseObject__IsPPC((int32_t)object_id)) {
            ThreadState *owner = thread ? thread : (ThreadState *)BaseObject__GetObj((int32_t)object_id);
            uint64_t value = !trigger->read && owner ? owner->last_store_value : 0;
            result = trigger->callback ? trigger->callback(trigger->data, owner, trigger->last_hit_address,
                                                            trigger->last_hit_length, trigger->effective, value)
                                       : 0;
        } else {
            sim_warning(2, "C trigger callback don't work with non-ThreadState objects");
            result = 0;
        }
        // The callback may have added or removed triggers: walk again from the head.
        table = table_of(machine);
        if (!table) return result;
        following = table->memory_head;
    }
    return result;
}
