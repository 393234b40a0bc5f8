// Register triggers: Tcl procedures attached to one register of one thread, fired when an
// instruction reads or writes it. A register's trigger record holds its read and write trigger
// slots and, separately, the enabled ones; only enabled triggers fire.
#pragma once

#include <cstdint>

struct IOPDesc;

// A node of a trigger list. Enabled-list nodes share the data of the list node they enable.
struct Reg_Trigger_Node {
    void *data; // Reg_Trigger_Read or Reg_Trigger_Write; null for an unassigned slot
    Reg_Trigger_Node *next;
    Reg_Trigger_Node *prev;
};

struct Reg_Trigger_List {
    Reg_Trigger_Node *head;
    Reg_Trigger_Node *tail;
    int32_t count;
};

struct Reg_Trigger_Read {
    char procedure[256];
};

// change mask all ones: WRITE; another non-zero change mask: CHANGE; zero change mask: MATCH.
struct Reg_Trigger_Write {
    uint64_t change_mask;
    uint64_t match_mask;
    uint64_t match_value;
    char procedure[256];
};

struct Reg_Trigger_Desc {
    char name[64]; // the register's name, part of every firing text
    Reg_Trigger_List read;
    Reg_Trigger_List enabled_read;
    Reg_Trigger_List write;
    Reg_Trigger_List enabled_write;
};

// Appends a node holding data to the list; null when out of memory.
Reg_Trigger_Node *Reg_Trigger_Append(Reg_Trigger_List *list, void *data);

// Adds a write trigger (change mask value, the command at most 256 characters) to the register's
// list, reusing the first free node, and enables it; the position of the node used. The set's
// register name is filled on first use.
int Reg_Trigger_Node_New(Reg_Trigger_Desc *set, const char *name, const char *command, uint64_t value);

// Fires every enabled read trigger with "mcm %d cpu %d thread %d reg %s val 0x%016lX"; returns the
// completion code of the last evaluation (0 when nothing ran).
int Invoke_Reg_Read_Triggers(IOPDesc *iop, Reg_Trigger_Desc *record, uint64_t value);
// Fires the enabled write triggers for a write of new_value (old_value null when unknown): MATCH
// when the masked value equals the match value, else when a bit of the change mask changes.
void Invoke_Reg_Write_Triggers(IOPDesc *iop, Reg_Trigger_Desc *record, const uint64_t *old_value,
                               uint64_t new_value);
// Nothing without a record, an instruction or an enabled trigger; an instruction that defers its
// side effects only notes the trigger in its deferred-trigger flags (2 read, 4 write).
void Maybe_Invoke_Reg_Read_Triggers(IOPDesc *iop, Reg_Trigger_Desc *record, uint64_t value);
void Maybe_Invoke_Reg_Write_Triggers(IOPDesc *iop, Reg_Trigger_Desc *record, uint64_t old_value,
                                     uint64_t new_value);

// The deferred-trigger flags.
enum : uint8_t { DEFERRED_READ_TRIGGER = 2, DEFERRED_WRITE_TRIGGER = 4 };

// True when a trigger list has something to fire: the two tests on every register access.
inline bool Reg_Read_Triggers_Armed(const Reg_Trigger_Desc *record)
{
    return record && record->enabled_read.head;
}
inline bool Reg_Write_Triggers_Armed(const Reg_Trigger_Desc *record)
{
    return record && record->enabled_write.head;
}

// The thread's MSR, noted as the shared MSR text, after firing its read triggers (never deferred).
extern "C" uint64_t iGET_MSR(IOPDesc *iop);
