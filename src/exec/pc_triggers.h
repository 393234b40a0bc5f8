// Breakpoints keyed by one number: instruction-address triggers on effective and real addresses
// (fired at most once per thread and instruction count), and the process-id, system-call and
// cycle triggers whose entries the trigger commands make.
#pragma once

#include <cstdint>

#include "isa/hooks/syscall_trigger.h"
#include "mmu/hooks/pc_triggers.h"
#include "runtime/triggers.h"

struct GenericMachine;
struct ThreadState;

constexpr int TRIGGER_PROCEDURE_LEN = 256;

// A system-call trigger (key0 the call number).
struct Syscall_Trigger_Entry {
    HASH2_Entry hash;
    Trigger_Callback callback; // called as (data, thread, number, 0, 0, 0)
    void *data;
    char procedure[TRIGGER_PROCEDURE_LEN];
};

// A process-id trigger (key0 the process id).
struct PID_TrackEntry {
    HASH2_Entry hash;
    ThreadState *mapped; // the thread the process id is mapped to; null before the first firing
    Trigger_Callback callback;
    void *data;
    char procedure[TRIGGER_PROCEDURE_LEN];
};

// A cycle trigger (key0 the delay in cycles from its setting).
struct Cycle_Trigger_Entry {
    HASH2_Entry hash;
    int32_t active;
    GenericMachine *machine;
    uint64_t delay;
    char procedure[TRIGGER_PROCEDURE_LEN];
};

// The slot of the object id in a hit record, grown (new slots all ones) when the id is beyond it;
// null when memory runs out.
uint64_t *Trigger_Hit_Slot(uint64_t **hits, int32_t *length, int32_t object_id);
// 1 when the trigger may fire for the object at the stamp (the stamp is then recorded), else 0.
int Trigger_PC__Note_Hit(PC_TriggerEntry *entry, int32_t object_id, uint64_t stamp);

// ---- effective-address instruction triggers ----
// Adds a trigger; invalidates the address in every thread's maps and drops all translations.
void Trigger_PC__Add(GenericMachine *machine, uint64_t ea, Trigger_Callback callback, void *data);
PC_TriggerEntry *Trigger_PC__Search(GenericMachine *machine, uint64_t ea);
// Unlinks the newest trigger of the address (the caller deletes it); null when there is none.
PC_TriggerEntry *Trigger_PC__Remove(GenericMachine *machine, uint64_t ea);
void Trigger_PC__Delete(PC_TriggerEntry *entry);
void Trigger_PC__Clear_All(GenericMachine *machine);
PC_TriggerEntry *Trigger_PC__First(GenericMachine *machine);
PC_TriggerEntry *Trigger_PC__Next(GenericMachine *machine, PC_TriggerEntry *entry);
// 1 when a trigger exists at ea; with fire 1 it is also fired (once per thread and count).
int Trigger_PC__Find(GenericMachine *machine, uint64_t ea, ThreadState *thread, int fire);
// 1 when some trigger has the page offset (low 12 bits) of addr.
int Trigger_Has_PC_and_EA(GenericMachine *machine, uint64_t addr);
// 1 when some trigger agrees with addr on every bit clear in mask.
int Trigger_PC__Find_OnPage(GenericMachine *machine, uint64_t addr, uint64_t mask);

// ---- real-address instruction triggers ----
void Trigger_RealPC__Add(GenericMachine *machine, uint64_t pa, Trigger_Callback callback, void *data);
PC_TriggerEntry *Trigger_RealPC__Search(GenericMachine *machine, uint64_t pa);
PC_TriggerEntry *Trigger_RealPC__Remove(GenericMachine *machine, uint64_t pa);
void Trigger_RealPC__Delete(PC_TriggerEntry *entry);
void Trigger_RealPC__Clear_All(GenericMachine *machine);
PC_TriggerEntry *Trigger_RealPC__First(GenericMachine *machine);
PC_TriggerEntry *Trigger_RealPC__Next(GenericMachine *machine, PC_TriggerEntry *entry);

// ---- process-id, system-call and cycle triggers (the caller owns the entries) ----
HASH2_Table *Trigger_Hash_Table_New(void);
void Trigger_PID__Add(GenericMachine *machine, PID_TrackEntry *entry);
PID_TrackEntry *Trigger_PID__Search(GenericMachine *machine, uint64_t pid);
PID_TrackEntry *Trigger_PID__Remove(GenericMachine *machine, uint64_t pid);
PID_TrackEntry *Trigger_PID__First(GenericMachine *machine);
PID_TrackEntry *Trigger_PID__Next(GenericMachine *machine, PID_TrackEntry *entry);
// The trigger's result, 1 when the process id has none.
int Trigger_PID__Check(GenericMachine *machine, ThreadState *thread, uint64_t pid);

void Trigger_Syscall__Add(GenericMachine *machine, Syscall_Trigger_Entry *entry);
Syscall_Trigger_Entry *Trigger_Syscall__Search(GenericMachine *machine, uint64_t number);
Syscall_Trigger_Entry *Trigger_Syscall__Remove(GenericMachine *machine, uint64_t number);
Syscall_Trigger_Entry *Trigger_Syscall__First(GenericMachine *machine);
Syscall_Trigger_Entry *Trigger_Syscall__Next(GenericMachine *machine, Syscall_Trigger_Entry *entry);

void Trigger_Cycle__Add(GenericMachine *machine, Cycle_Trigger_Entry *entry);
Cycle_Trigger_Entry *Trigger_Cycle__Search(GenericMachine *machine, uint64_t key);
Cycle_Trigger_Entry *Trigger_Cycle__Remove(GenericMachine *machine, uint64_t key);
void Trigger_Cycle__Remove_By_Entry(Cycle_Trigger_Entry *entry);
Cycle_Trigger_Entry *Trigger_Cycle__First(GenericMachine *machine);
Cycle_Trigger_Entry *Trigger_Cycle__Next(GenericMachine *machine, Cycle_Trigger_Entry *entry);

// Releases both instruction-address classes and the process-id, system-call and cycle tables
// (the process-id and system-call entries with them; cycle entries belong to their jobs).
void Trigger_Classes_Free(TriggerTable *table);
