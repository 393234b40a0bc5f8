// The exception-type table (name, default priority, vector offset of each of the 55 types), the
// per-family refinement of priorities by subtype, and the list operations on exception records.
#pragma once

#include <cstdint>

#include "interrupts/exception_names.h"

struct PowerPCException;
struct ThreadState;

constexpr int32_t NUM_EXCEPTION_TYPES = 55;

struct ExceptionInfo_s {
    const char *name;
    int32_t priority; // lower is more urgent
    uint64_t vector;  // offset the new PC is formed from
};

extern ExceptionInfo_s ExceptionInfo[NUM_EXCEPTION_TYPES];

// Fills the table (every row first "Illegal Interrupt Table Entry", 0, 0) and the subtype texts.
void Init_ExceptionStructures(void);
// The row's vector offset (type 0 to 54).
uint64_t ExceptionInterruptAddress(int32_t type);
// The record's priority from its type, subtype and its thread's processor type id.
int32_t PowerPCException__Priority(PowerPCException *record);
int32_t DURN_exception_priority(int32_t priority, int32_t subtype);
int32_t Dravo_exception_priority(int32_t priority, int32_t subtype);
int32_t Glent_exception_priority(int32_t priority, int32_t subtype);
int32_t FENDRA_exception_priority(int32_t priority, int32_t subtype);

// Links record directly behind after.
void PowerPCException__InsertAfter(PowerPCException *record, PowerPCException *after);
// The first queued record of the type on the thread, or null (no lock).
PowerPCException *SearchException(ThreadState *thread, int32_t type);
// Unlinks record from the list and frees it; a record not in the list is left alone.
void interrupt_removeException(PowerPCException **list, PowerPCException *record);
// interrupt_removeException on the thread's queue (no lock).
void RemoveException(ThreadState *thread, PowerPCException *record);

// Hooks kept for callers; they do nothing (CaptureExceptionData returns null).
void SidetrackInterrupts(void);
void RestoreInterrupts(ThreadState *thread);
void *CaptureExceptionData(void);
void RestoreExceptionData(void);
