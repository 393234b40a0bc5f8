// The ERATs: lookup, insertion, invalidation and the trigger reports of each processor's
// instruction and data ERATs. An entry is found only by the thread that made it; every
// invalidation affects the entries of all the processor's threads. ERAT_InvalidateAll is declared
// in interrupts/hooks/erat_invalidate.h, ERAT_Init with the records in processor/translation/erat.h.
#pragma once

#include <cstdint>

struct AXD;
struct ERAT_Struct;
struct ERAT_Entry;
struct ThreadState;

// Access-kind names and invalidation reasons of the reports.
extern const char *const ERAT_KindNames[10];
extern const char *const ERAT_InvalidateReasons[6];
enum : int32_t {
    ERAT_REASON_TLBIE = 0,
    ERAT_REASON_TLBIA = 1,
    ERAT_REASON_SLBIE = 2,
    ERAT_REASON_SLBIA = 3,
    ERAT_REASON_MTASR = 4,
    ERAT_REASON_MTSR = 5,
};

// The ERAT the thread uses for an access kind (the instruction ERAT for fetches), or null.
ERAT_Struct *Thread_ERAT(ThreadState *thread, uint32_t kind);
// The row of ea for pages of 2^shift bytes, and the tag (ea with the low shift bits cleared).
int32_t ERAT_Row(const ERAT_Struct *erat, uint64_t ea, int32_t shift);
uint64_t ERAT_Tag(uint64_t ea, int32_t shift);

// The entry that maps ea for the thread and kind, or null.
ERAT_Entry *ERAT_FindMapping(ThreadState *thread, ERAT_Struct *erat, uint64_t ea, uint32_t kind);
// Inserts a finished translation (same tag and thread: overwritten in place; else a free way;
// else the least recently used way).
void ERAT_AddMapping(ThreadState *thread, ERAT_Struct *erat, AXD *axd, uint64_t xlate_ea, int32_t page_shift,
                     const uint64_t pte[2]);
// Removes the first entry mapping rb (any thread) at the small and the large page size.
void ERAT_InvalidateMatch(ThreadState *thread, ERAT_Struct *erat, uint64_t rb, int32_t reason,
                          const char *where);
// Empties every instruction ERAT and removes the entry mapping rb at 2^page_bits from every data ERAT.
void ERAT_InvalidateSome(ThreadState *thread, int32_t reason, const char *where, uint64_t rb, int32_t ignored,
                         int32_t page_bits);
// Empties the rows rb selects at the small and the large page size.
void ERAT_InvalidateSet(ThreadState *thread, ERAT_Struct *erat, uint64_t rb, int32_t reason,
                        const char *where);
// Reports an event to the ERAT's trigger procedure; nothing without one.
void ERAT_Trigger_Invoke(ThreadState *thread, ERAT_Struct *erat, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
