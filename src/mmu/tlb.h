// The TLB operations: lookup with its retries at larger page sizes, insertion and replacement,
// indexed access, the tlbie/tlbiel invalidations, tlbia and the reference-bit clearing, with the
// generation-8 and generic class hashes and the trigger reports. The records and TLB_new are the
// processor's (processor/translation/tlb.h, tlb_slb_erat.h).
#pragma once

#include <cstdint>

struct IOPDesc;
struct SLB;
struct TLB;
struct TLB_ENTRY_t;

// The entry mapping (vsid_word, ea) at page shift p (retried at 16 after 12, at 24 after 16), or
// null; on a miss *hint (when given) names the way the policy would replace.
TLB_ENTRY_t *TLB_FindMapping(TLB *tlb, uint64_t vsid_word, uint64_t ea, int32_t p, int32_t lpid, int32_t s,
                             uint32_t lp, uint64_t *hint, IOPDesc *iop, uint32_t kind, SLB *segment);
// The first way of the class starting at entry first that is valid for the partition, segment
// size and page shift and whose tag matches lookup under mask (and whose entry fits the segment
// when one is given); null when none.
TLB_ENTRY_t *TLB_FindMapping_In_Set(TLB *tlb, int32_t first, uint64_t lookup, uint64_t mask, int32_t lpid,
                                    int32_t s, int32_t p, IOPDesc *iop, uint32_t kind, SLB *segment);
// Enters a page-table entry found by the walk (p its page shift); returns the entry written.
TLB_ENTRY_t *TLB_AddMapping(TLB *tlb, uint64_t vsid_word, uint64_t ea, int32_t base_shift, int32_t p,
                            int32_t lpid, int32_t s, uint32_t lp, const uint64_t pte[2], uint64_t pte_addr);
// Writes the entry at a table position (null for a position outside the table).
TLB_ENTRY_t *TLB_AddIndexedMapping(TLB *tlb, int32_t index, const uint64_t pte[2], uint64_t ea, int32_t lpid,
                                   int32_t p, int32_t s, uint32_t lp, uint64_t pte_addr);
TLB_ENTRY_t *TLB_FindIndexedMapping(TLB *tlb, int32_t index);
// The table position of a tlb_index (one-hot way bits below the class number).
int32_t TLB_Get_Entry_Index(TLB *tlb, uint64_t tlb_index);
void TLB_MMIO_Read(TLB *tlb, uint64_t tlb_index, uint64_t ignored, uint64_t *lower, uint64_t *upper);
void TLB_MMIO_Write(TLB *tlb, uint64_t tlb_index, int32_t lpid, uint64_t lower, uint64_t upper, int32_t s);
// tlbie/tlbiel on one TLB: IS 0 by RB, 2 class 0 of the partition, 3 class 0.
void TLB_tlbie(TLB *tlb, uint64_t rb, uint64_t ignored, int32_t is, int32_t lpid, uint32_t lp, uint32_t b,
               const char *name);
void TLB_InvalidateEntry(TLB *tlb, uint64_t rb, uint64_t ignored, int32_t is, int32_t lpid, uint32_t lp,
                         uint32_t b, const char *name, int wide);
// Invalidates every entry (tlbia).
void TLB_Clear(IOPDesc *iop, TLB *tlb);
void TLB_Clear_Reference_Bit_For_Set(TLB *tlb, uint64_t ignored, int32_t cls);
void TLB_Clear_Specific_Reference_Bit(TLB *tlb, uint64_t rb, int32_t p, uint64_t ignored, uint32_t lp,
                                      uint32_t b);
void clear_tlb_R_bit(TLB *tlb, TLB_ENTRY_t *entry);
// The older lookup without the page-table-entry comparison and retries.
TLB_ENTRY_t *non_Dravo_Ervik_TLB_FindMapping(TLB *tlb, uint64_t vsid_word, uint64_t ea, int32_t p,
                                             int32_t lpid, int32_t s, uint32_t lp, uint64_t *hint);
// Reports an event to the TLB's trigger procedure; nothing without one.
void TLB_Trigger_Invoke(TLB *tlb, const char *format, ...) __attribute__((format(printf, 2, 3)));
