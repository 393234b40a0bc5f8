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

// The entry mapping (vsid_word, ea) at page shift p (retried at 16 after 12 and at 24 after 16), or
// null; on a miss *hint (when given) names the way the policy would replace.
TLB_ENTRY_t *TLB_FindMapping(TLB *tlb, uint64_t vsid_word, uint64_t ea, int32_t p, int32_t lpid, int32_t s,
                             uint32_t lp, uint64_t *hint, IOPDesc *iop, uint32_t kind, SLB *segment);
// Enters a page-table entry found by the walk (p its page shift); returns the entry written.
TLB_ENTRY_t *TLB_AddMapping(TLB *tlb, uint64_t vsid_word, uint64_t ea, int32_t base_shift, int32_t p,
                            int32_t lpid, int32_t s, uint32_t lp, const uint64_t pte[2], uint64_t pte_addr);
