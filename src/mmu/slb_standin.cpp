// Stand-in of the SLB VSID rule.
#include "processor/translation/slb.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"

// STAND-IN: the SLB rule of address translation is not built; the word is stored and split into
// the entry's fields as the thread record describes them, without the reserved-NOA warning.
__attribute__((weak)) void SLB_Set_VSID_Word(SLB *entry, uint64_t word)
{
    ProcessorState *core = entry->thread ? entry->thread->processor : nullptr;
    entry->SLBV.value = word;
    entry->segment_size = (uint8_t)((word >> 62) & (core ? core->slbe_b_mask : 3));
    entry->vsid = word & (core ? core->vsid_mask : ~0ull);
    entry->ks = (word >> 11) & 1;
    entry->kp = (word >> 10) & 1;
    entry->n = (word >> 9) & 1;
    entry->l = (word >> 8) & 1;
    entry->c = (word >> 7) & 1;
    entry->bit57 = (word >> 6) & 1;
    entry->lp = (word >> 4) & 3;
    entry->noa[0] = (word >> 3) & 1;
    entry->noa[1] = (word >> 2) & 1;
}
