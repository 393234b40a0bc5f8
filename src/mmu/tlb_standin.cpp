// Stand-in of the TLB operations.
#include "mmu/tlb.h"

// STAND-IN: the TLB is not built; every lookup misses (the page table is walked every time) and
// nothing is entered.
__attribute__((weak)) TLB_ENTRY_t *TLB_FindMapping(TLB *, uint64_t, uint64_t, int32_t, int32_t, int32_t,
                                                   uint32_t, uint64_t *, IOPDesc *, uint32_t, SLB *)
{
    return nullptr;
}

__attribute__((weak)) TLB_ENTRY_t *TLB_AddMapping(TLB *, uint64_t, uint64_t, int32_t, int32_t, int32_t,
                                                  int32_t, uint32_t, const uint64_t *, uint64_t)
{
    return nullptr;
}
