// Instruction-address, process-id, system-call and cycle triggers of a machine's trigger table.
#include "exec/pc_triggers.h"

#include <cstring>

#include "isa/hooks/syscall_trigger.h"
#include "memory/hooks/page_tables.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "mmu/hooks/translator_xlate.h"
#include "processor/hooks/emat_zap.h"
#include "processor/hooks/pturbo_control.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "processor/run/run_control.h"
#include "runtime/alloc.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"
#include "runtime/object_registry.h"

namespace
{

TriggerTable *table_of(GenericMachine *machine)
{
    return machine ? machine->trigger_table : nullptr;
}

template <typename Entry> Entry *search(HASH2_Table *table, int32_t count, uint64_t key)
{
    if (!table || count == 0) return nullptr;
    return (Entry *)HASH2_GetByValue(table, key, 0);
}

template <typename Entry> Entry *first(HASH2_Table *table)
{
    return table ? (Entry *)table->first : nullptr;
}

template <typename Entry> Entry *next(HASH2_Table *table, Entry *entry)
{
    return table && entry ? (Entry *)entry->hash.next : nullptr;
}

template <typename Entry> Entry *remove(HASH2_Table *table, int32_t *count, uint64_t key)
{
    if (!table || *count == 0) return nullptr;
    Entry *entry = (Entry *)HASH2_RemoveEntry(table, key, 0);
    if (entry) (*count)--;
    return entry;
}

// Adds an entry to a class, making the class table on first use; false when that fails.
bool add(HASH2_Table **table, int32_t *count, HASH2_Entry *entry)
{
    if (!*table) *table = Trigger_Hash_Table_New();
    if (!*table) return false;
    HASH2_AddEntry(*table, entry);
    (*count)++;
    return true;
}

PC_TriggerEntry *new_entry(uint64_t address, Trigger_Callback callback, void *data)
{
    PC_TriggerEntry *entry = QUARN_ZALLOC(1, PC_TriggerEntry);
    if (!entry) return nullptr;
    entry->hash.key0 = address;
    entry->callback = callback;
    entry->data = data;
    return entry;
}

int32_t thread_class(GenericMachine *machine)
{
    if (!machine->device_manager) return -1;
    if (machine->thread_major < 0)
        machine->thread_major = DeviceMgr__GetDeviceMajorNum(machine->device_manager, "Thread");
    return machine->thread_major;
}

// Calls visit for every thread of the machine in index order.
template <typename Visit> void each_thread(GenericMachine *machine, Visit visit)
{
    int32_t major = thread_class(machine);
    if (major < 0) return;
    int32_t count = DeviceMgr__GetDeviceCount(machine->device_manager, major);
    for (int32_t i = 0; i < count; i++) {
        int32_t minor = DeviceMgr__GetIndexMinor(machine->device_manager, major, i);
        ThreadState *thread = (ThreadState *)DeviceMgr__GetDevice(machine->device_manager, major, minor);
        if (!thread) {
            sim_error("Machine thread %d (of %d) returned a NULL pointer", i, count);
            continue;
        }
        visit(thread);
    }
}

// Drops the translated code of the page that holds the physical address on every thread.
void discard_translations_for_pa(GenericMachine *machine, uint64_t address)
{
    if (!machine || !machine->mcms) return;
    ipt *page_table = nullptr;
    for (uint32_t i = 0; i < machine->num_mcms && !page_table; i++) {
        MCM *chip = machine->mcms[i];
        MemoryMap *map = chip && chip->mbus ? chip->mbus->memory_map : nullptr;
        if (map) page_table = MemMap_GetIptForPA(map, address);
    }
    if (!page_table) return;
    each_thread(machine, [&](ThreadState *thread) {
        turbo_xlate_flush_for_pa(address, page_table, thread->memory_client);
    });
}

void free_class(HASH2_Table **table, int32_t *count, void (*release)(PC_TriggerEntry *))
{
    if (*table) {
        for (HASH2_Entry *entry = (*table)->first, *following; entry; entry = following) {
            following = entry->next;
            release((PC_TriggerEntry *)entry);
        }
        QUARN_FREE(*table);
    }
    *table = nullptr;
    *count = 0;
}

// The shared firing of both instruction-address classes: true when a trigger exists.
bool find_and_fire(GenericMachine *machine, bool real, uint64_t address, ThreadState *thread, int fire,
                   const char *reason, int *result)
{
    bool synced = false;
    for (;;) {
        TriggerTable *table = table_of(machine);
        if (!table) return false;
        PC_TriggerEntry *entry = real ? search<PC_TriggerEntry>(table->realpc_table, table->realpc_count, address)
                                      : search<PC_TriggerEntry>(table->pc_table, table->pc_count, address);
        if (!entry) return false;
        if (!fire) return true;
        // Bringing the time up to date runs other jobs, which may change the triggers.
        if (!synced && thread && THREAD_IN_CHUNK_MODE(thread)) {
            Thread_sync_time(thread, reason);
            synced = true;
            continue;
        }
        int32_t id = thread ? (int32_t)thread->object_id : 0;
        uint64_t stamp = thread ? thread->Instruction_Number : 0;
        if (Trigger_PC__Note_Hit(entry, id, stamp)) {
            pturbo_zap_all_threads_now(real ? "RealPC Trigger" : "PC Trigger");
            if (entry->callback) *result = entry->callback(entry->data, thread, address, 4, 1, 0);
        }
        return true;
    }
}

} // namespace

uint64_t *Trigger_Hit_Slot(uint64_t **hits, int32_t *length, int32_t object_id)
{
    if (object_id < 0) return nullptr;
    if (object_id >= *length) {
        int32_t size = BaseObject__GetMax();
        if (size <= object_id) size = object_id + 1;
        uint64_t *grown = QUARN_MALLOC(size, uint64_t);
        if (!grown) return nullptr;
        for (int32_t i = 0; i < size; i++)
            grown[i] = i < *length ? (*hits)[i] : ~0ull;
        QUARN_FREE(*hits);
        *hits = grown;
        *length = size;
    }
    return &(*hits)[object_id];
}

int Trigger_PC__Note_Hit(PC_TriggerEntry *entry, int32_t object_id, uint64_t stamp)
{
    uint64_t *slot = Trigger_Hit_Slot(&entry->hits, &entry->hits_length, object_id);
    if (!slot) return 1;
    if (*slot == stamp) return 0;
    *slot = stamp;
    return 1;
}

// ---- effective-address instruction triggers ----

void Trigger_PC__Add(GenericMachine *machine, uint64_t ea, Trigger_Callback callback, void *data)
{
    TriggerTable *table = table_of(machine);
    if (!table) return;
    PC_TriggerEntry *entry = new_entry(ea, callback, data);
    if (!entry) return;
    if (!add(&table->pc_table, &table->pc_count, &entry->hash)) {
        QUARN_FREE(entry);
        return;
    }
    each_thread(machine, [&](ThreadState *thread) { EMAT_INVALIDATE_EA(thread, ea, "PC_Trigger_Set"); });
    EMAT_ZAP_("tt_ea", __FILE__, __LINE__);
}

PC_TriggerEntry *Trigger_PC__Search(GenericMachine *machine, uint64_t ea)
{
    TriggerTable *table = table_of(machine);
    return table ? search<PC_TriggerEntry>(table->pc_table, table->pc_count, ea) : nullptr;
}

PC_TriggerEntry *Trigger_PC__Remove(GenericMachine *machine, uint64_t ea)
{
    TriggerTable *table = table_of(machine);
    if (!table) return nullptr;
    PC_TriggerEntry *entry = remove<PC_TriggerEntry>(table->pc_table, &table->pc_count, ea);
    discard_translations_for_pa(machine, ea);
    return entry;
}

void Trigger_PC__Delete(PC_TriggerEntry *entry)
{
    if (!entry) return;
    QUARN_FREE(entry->hits);
    QUARN_FREE(entry);
}

void Trigger_PC__Clear_All(GenericMachine *machine)
{
    TriggerTable *table = table_of(machine);
    if (table) free_class(&table->pc_table, &table->pc_count, Trigger_PC__Delete);
}

PC_TriggerEntry *Trigger_PC__First(GenericMachine *machine)
{
    TriggerTable *table = table_of(machine);
    return table ? first<PC_TriggerEntry>(table->pc_table) : nullptr;
}

PC_TriggerEntry *Trigger_PC__Next(GenericMachine *machine, PC_TriggerEntry *entry)
{
    TriggerTable *table = table_of(machine);
    return table ? next(table->pc_table, entry) : nullptr;
}

int Trigger_PC__Find(GenericMachine *machine, uint64_t ea, ThreadState *thread, int fire)
{
    int result = 0;
    return find_and_fire(machine, false, ea, thread, fire, "Trigger_PC__Find", &result) ? 1 : 0;
}

int Trigger_Has_PC_and_EA(GenericMachine *machine, uint64_t addr)
{
    return Trigger_PC__Find_OnPage(machine, addr, ~0xFFFull);
}

int Trigger_PC__Find_OnPage(GenericMachine *machine, uint64_t addr, uint64_t mask)
{
    TriggerTable *table = table_of(machine);
    if (!table || !table->pc_table || table->pc_count == 0) return 0;
    for (HASH2_Entry *entry = table->pc_table->first; entry; entry = entry->next)
        if (((entry->key0 ^ addr) & ~mask) == 0) return 1;
    return 0;
}

void Check_For_Triggers_Before_Next_Instr(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    uint64_t next_address = iop->defer_side_effects ? iop->fetch.ea : thread->PC.value;
    TriggerTable *table = table_of(thread->machine);
    if (table && table->pc_count != 0) Trigger_PC__Find(thread->machine, next_address, thread, 1);
    thread->pc_trigger_mark = next_address;
}

// ---- real-address instruction triggers ----

void Trigger_RealPC__Add(GenericMachine *machine, uint64_t pa, Trigger_Callback callback, void *data)
{
    TriggerTable *table = table_of(machine);
    if (!table) return;
    PC_TriggerEntry *entry = new_entry(pa, callback, data);
    if (!entry) return;
    if (!add(&table->realpc_table, &table->realpc_count, &entry->hash)) {
        QUARN_FREE(entry);
        return;
    }
    discard_translations_for_pa(machine, pa);
}

PC_TriggerEntry *Trigger_RealPC__Search(GenericMachine *machine, uint64_t pa)
{
    TriggerTable *table = table_of(machine);
    return table ? search<PC_TriggerEntry>(table->realpc_table, table->realpc_count, pa) : nullptr;
}

PC_TriggerEntry *Trigger_RealPC__Remove(GenericMachine *machine, uint64_t pa)
{
    TriggerTable *table = table_of(machine);
    if (!table) return nullptr;
    PC_TriggerEntry *entry = remove<PC_TriggerEntry>(table->realpc_table, &table->realpc_count, pa);
    if (entry) discard_translations_for_pa(machine, pa);
    return entry;
}

void Trigger_RealPC__Delete(PC_TriggerEntry *entry)
{
    Trigger_PC__Delete(entry);
}

void Trigger_RealPC__Clear_All(GenericMachine *machine)
{
    TriggerTable *table = table_of(machine);
    if (table) free_class(&table->realpc_table, &table->realpc_count, Trigger_RealPC__Delete);
}

PC_TriggerEntry *Trigger_RealPC__First(GenericMachine *machine)
{
    TriggerTable *table = table_of(machine);
    return table ? first<PC_TriggerEntry>(table->realpc_table) : nullptr;
}

PC_TriggerEntry *Trigger_RealPC__Next(GenericMachine *machine, PC_TriggerEntry *entry)
{
    TriggerTable *table = table_of(machine);
    return table ? next(table->realpc_table, entry) : nullptr;
}

int Trigger_RealPC__Find_And_Doit(GenericMachine *machine, ThreadState *thread, uint64_t pa)
{
    int result = 0;
    find_and_fire(machine, true, pa, thread, 1, "Trigger_RealPC__Find_And_Doit", &result);
    return result;
}

// ---- process-id, system-call and cycle triggers ----

HASH2_Table *Trigger_Hash_Table_New(void)
{
    HASH2_Table *table = QUARN_MALLOC(1, HASH2_Table);
    if (table) HASH2_InitTable(table);
    return table;
}

void Trigger_PID__Add(GenericMachine *machine, PID_TrackEntry *entry)
{
    TriggerTable *table = table_of(machine);
    if (table && entry) add(&table->pid_table, &table->pid_count, &entry->hash);
}

PID_TrackEntry *Trigger_PID__Search(GenericMachine *machine, uint64_t pid)
{
    TriggerTable *table = table_of(machine);
    return table ? search<PID_TrackEntry>(table->pid_table, table->pid_count, pid) : nullptr;
}

PID_TrackEntry *Trigger_PID__Remove(GenericMachine *machine, uint64_t pid)
{
    TriggerTable *table = table_of(machine);
    return table ? remove<PID_TrackEntry>(table->pid_table, &table->pid_count, pid) : nullptr;
}

PID_TrackEntry *Trigger_PID__First(GenericMachine *machine)
{
    TriggerTable *table = table_of(machine);
    return table ? first<PID_TrackEntry>(table->pid_table) : nullptr;
}

PID_TrackEntry *Trigger_PID__Next(GenericMachine *machine, PID_TrackEntry *entry)
{
    TriggerTable *table = table_of(machine);
    return table ? next(table->pid_table, entry) : nullptr;
}

int Trigger_PID__Check(GenericMachine *machine, ThreadState *thread, uint64_t pid)
{
    PID_TrackEntry *entry = Trigger_PID__Search(machine, pid);
    if (!entry || !entry->callback) return 1;
    return entry->callback(entry->data, thread, pid, 0, 0, 0);
}

void Trigger_Syscall__Add(GenericMachine *machine, Syscall_Trigger_Entry *entry)
{
    TriggerTable *table = table_of(machine);
    if (table && entry) add(&table->syscall_table, &table->syscall_count, &entry->hash);
}

Syscall_Trigger_Entry *Trigger_Syscall__Search(GenericMachine *machine, uint64_t number)
{
    TriggerTable *table = table_of(machine);
    return table ? search<Syscall_Trigger_Entry>(table->syscall_table, table->syscall_count, number) : nullptr;
}

Syscall_Trigger_Entry *Trigger_Syscall__Remove(GenericMachine *machine, uint64_t number)
{
    TriggerTable *table = table_of(machine);
    return table ? remove<Syscall_Trigger_Entry>(table->syscall_table, &table->syscall_count, number) : nullptr;
}

Syscall_Trigger_Entry *Trigger_Syscall__First(GenericMachine *machine)
{
    TriggerTable *table = table_of(machine);
    return table ? first<Syscall_Trigger_Entry>(table->syscall_table) : nullptr;
}

Syscall_Trigger_Entry *Trigger_Syscall__Next(GenericMachine *machine, Syscall_Trigger_Entry *entry)
{
    TriggerTable *table = table_of(machine);
    return table ? next(table->syscall_table, entry) : nullptr;
}

int Trigger_Syscall__Check(GenericMachine *machine, ThreadState *thread, uint64_t number)
{
    Syscall_Trigger_Entry *entry = Trigger_Syscall__Search(machine, number);
    if (!entry || !entry->callback) return 0;
    return entry->callback(entry->data, thread, number, 0, 0, 0);
}

void Trigger_Cycle__Add(GenericMachine *machine, Cycle_Trigger_Entry *entry)
{
    TriggerTable *table = table_of(machine);
    if (table && entry) add(&table->cycle_table, &table->cycle_count, &entry->hash);
}

Cycle_Trigger_Entry *Trigger_Cycle__Search(GenericMachine *machine, uint64_t key)
{
    TriggerTable *table = table_of(machine);
    return table ? search<Cycle_Trigger_Entry>(table->cycle_table, table->cycle_count, key) : nullptr;
}

Cycle_Trigger_Entry *Trigger_Cycle__Remove(GenericMachine *machine, uint64_t key)
{
    TriggerTable *table = table_of(machine);
    return table ? remove<Cycle_Trigger_Entry>(table->cycle_table, &table->cycle_count, key) : nullptr;
}

void Trigger_Cycle__Remove_By_Entry(Cycle_Trigger_Entry *entry)
{
    TriggerTable *table = entry ? table_of(entry->machine) : nullptr;
    if (!table || !table->cycle_table) return;
    for (HASH2_Entry *e = table->cycle_table->first; e; e = e->next) {
        if (e != &entry->hash) continue;
        HASH2_RemoveEntryByAddr(table->cycle_table, e);
        table->cycle_count--;
        return;
    }
}

Cycle_Trigger_Entry *Trigger_Cycle__First(GenericMachine *machine)
{
    TriggerTable *table = table_of(machine);
    return table ? first<Cycle_Trigger_Entry>(table->cycle_table) : nullptr;
}

Cycle_Trigger_Entry *Trigger_Cycle__Next(GenericMachine *machine, Cycle_Trigger_Entry *entry)
{
    TriggerTable *table = table_of(machine);
    return table ? next(table->cycle_table, entry) : nullptr;
}

void Trigger_Classes_Free(TriggerTable *table)
{
    if (!table) return;
    free_class(&table->pc_table, &table->pc_count, Trigger_PC__Delete);
    free_class(&table->realpc_table, &table->realpc_count, Trigger_RealPC__Delete);
    auto release = [](PC_TriggerEntry *entry) { QUARN_FREE(entry); };
    free_class(&table->pid_table, &table->pid_count, release);
    free_class(&table->syscall_table, &table->syscall_count, release);
    // Cycle entries are freed by their jobs when they wake; only the table goes.
    for (Cycle_Trigger_Entry *entry = first<Cycle_Trigger_Entry>(table->cycle_table); entry;
         entry = next(table->cycle_table, entry))
        entry->machine = nullptr;
    QUARN_FREE(table->cycle_table);
    table->cycle_table = nullptr;
    table->cycle_count = 0;
}
