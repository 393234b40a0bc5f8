// TLB, SLB and ERAT creation, replacement and teardown.
#include "processor/translation/tlb_slb_erat.h"

#include <cstdio>
#include <cstring>

#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/translation/erat.h"
#include "processor/translation/tlb.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

const IDNamePair TLB_REPL_POLICY_NAMES[] = {
    {TLB_REPL_RANDOM, "RANDOM"},
    {TLB_REPL_LRU, "LRU"},
    {-1, nullptr},
};

namespace
{

// A power of two (0 is not: a table of no entries or ways has nothing to index).
bool power_of_two(int32_t n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

int32_t log2_of(int32_t n)
{
    int32_t bits = 0;
    while ((1 << bits) < n)
        bits++;
    return bits;
}

// 2^e for 0 <= e < 64; 0 otherwise (a fraction below one).
uint64_t pow2(int64_t e)
{
    return e >= 0 && e < 64 ? 1ull << e : 0;
}

void free_trigger(TLB_Trigger_Desc *trigger)
{
    if (!trigger) return;
    if (trigger->procedure) FORGET_STRING(trigger->procedure);
    QUARN_FREE(trigger);
}

int32_t lru_way(const TLB *tlb, int32_t first)
{
    int32_t n = tlb->assoc;
    if (first < 0 || first > tlb->num_entries - n) return 0;
    const TLB_ENTRY_t *e = &tlb->entries[first];
    if (!e[0].valid) return 0;
    for (int32_t k = 1; k < n; k++)
        if (!e[k].valid) return k;
    int32_t best = 0;
    for (int32_t k = 1; k < n; k++)
        if (e[k].stamp < e[best].stamp) best = k;
    return best;
}

} // namespace

TLB *TLB_new(TLB_Geometry geometry, ProcessorState *core, char letter, int32_t hash_kind)
{
    TLB *tlb = QUARN_ZALLOC(1, TLB);
    tlb->name = QUARN_ZALLOC(TLB_NAME_SIZE, char);
    snprintf(tlb->name, TLB_NAME_SIZE, "%s_%cTLB", core && core->name ? core->name : "<unknown>", letter);
    if (!power_of_two(geometry.entries))
        sim_panic("%s entries=%d is not a power of two", tlb->name, geometry.entries);
    if (!power_of_two(geometry.assoc))
        sim_panic("%s associativity=%d is not a power of two", tlb->name, geometry.assoc);
    int32_t entry_bits = log2_of(geometry.entries);
    int32_t assoc_bits = log2_of(geometry.assoc);
    // The generation-8 hash gives classes 0 to 127: a smaller table would be indexed past its end.
    if (hash_kind == 1 && entry_bits - assoc_bits < 7)
        sim_panic("%s entries=%d is not at least 128 times associativity=%d", tlb->name, geometry.entries,
                  geometry.assoc);
    if (!hash_kind && entry_bits - assoc_bits < 4)
        sim_panic("%s entries=%d is not at least 16 times associativity=%d", tlb->name, geometry.entries,
                  geometry.assoc);
    tlb->processor = core;
    tlb->hash_kind = hash_kind;
    tlb->repl_policy = geometry.repl_policy;
    tlb->tlbie_clears_class = geometry.tlbie_clears_class;
    tlb->num_entries = geometry.entries;
    tlb->assoc = geometry.assoc;
    tlb->entry_bits = entry_bits;
    tlb->assoc_bits = assoc_bits;
    tlb->lru_counter = 0;
    tlb->rr_way = 0;
    tlb->entries = QUARN_ZALLOC(geometry.entries, TLB_ENTRY_t);
    for (int32_t i = 0; i < geometry.entries; i++)
        tlb->entries[i].index = i;
    return tlb;
}

void TLB_Quit(TLB *tlb)
{
    if (!tlb) return;
    QUARN_FREE(tlb->entries);
    QUARN_FREE(tlb->name);
    free_trigger(tlb->trigger);
    QUARN_FREE(tlb);
}

uint64_t TLB_Define_Replacement_Hint(TLB *tlb, int32_t first)
{
    int32_t n = tlb->assoc;
    int32_t way = tlb->repl_policy == TLB_REPL_LRU ? lru_way(tlb, first) : tlb->rr_way;
    if (way >= n)
        sim_warning(2, "TLB_Define_Replacement_Hint: internal TLB set > tlb associativity: 0x%03X", way);
    return pow2((int64_t)n - way - 1) + (uint64_t)(int64_t)first * pow2((int64_t)n - tlb->assoc_bits);
}

void TLB_print_class(TLB *tlb, int32_t entry, int32_t duplicates_only)
{
    int32_t n = tlb->assoc;
    if (entry < 0 || entry >= tlb->num_entries) return;
    const TLB_ENTRY_t *e = &tlb->entries[entry & ~(n - 1)];
    if (duplicates_only) {
        bool duplicate = false;
        for (int32_t k = 0; k < n; k++) {
            if (!e[k].valid) return;
            for (int32_t j = 0; j < k; j++)
                if (e[j].pte_upper == e[k].pte_upper && e[j].pte_lower == e[k].pte_lower) duplicate = true;
        }
        if (!duplicate) return;
    }
    for (int32_t k = 0; k < n; k++) {
        if (!e[k].valid) {
            SIM_PRINT("@ tlbe %d: invalid\n", e[k].index);
            continue;
        }
        SIM_PRINT("@ tlbe %d: upper:0x%016lX, lower:0x%016lX, tag:0x%016lX, lpidr:%d , segment size: %d, "
                  "hash page offset bits: %d\n",
                  e[k].index, (unsigned long)e[k].pte_upper, (unsigned long)e[k].pte_lower,
                  (unsigned long)e[k].tag, e[k].lpidr, e[k].seg_size, e[k].page_shift);
    }
}

void SLBE_Init(SLB *entry, ThreadState *thread)
{
    memset(entry, 0, sizeof *entry);
    entry->thread = thread;
}

void SLB_Quit(ThreadState *thread)
{
    if (thread->slb) QUARN_FREE(thread->slb);
    thread->slb = nullptr;
}

void SLB_Reset(ThreadState *thread)
{
    for (int32_t i = 0; thread->slb && i < thread->slb_entries; i++) {
        SLB *entry = &thread->slb[i];
        entry->esid_base = 0;
        entry->valid = 0;
        entry->segment_size = 0;
        entry->SLBE.value = 0;
        entry->SLBV.value = 0;
        entry->vsid = 0;
        entry->ks = entry->kp = entry->n = entry->l = entry->c = 0;
        entry->bit57 = 0;
        entry->lp = 0;
        entry->noa[0] = entry->noa[1] = 0;
    }
}

uint32_t ReadSR(ThreadState *thread, uint32_t n)
{
    if (!thread->slb || thread->slb_entries <= 0) return 0;
    const SLB *entry = &thread->slb[n & (uint32_t)(thread->slb_entries - 1)];
    ProcessorState *core = thread->processor;
    if (!entry->valid && core && core->options[PO_INVALID_SR_IS_ZERO]) return 0;
    uint64_t v = entry->SLBV.value;
    uint64_t vsid_mask = core ? core->sr_vsid_mask : 0;
    uint64_t image = ((v >> 7) & vsid_mask) | ((v >> 12) & 0x7FFFFFF) | (uint64_t)(entry->ks & 1) << 30 |
                     (uint64_t)(entry->kp & 1) << 29 | (uint64_t)(entry->n & 1) << 28 |
                     (uint64_t)(entry->l & 1) << 27;
    return (uint32_t)image;
}

int32_t ERAT_LRU_Way(ERAT_Struct *erat, int32_t row)
{
    if (row < 0 || row >= erat->rows) return 0;
    int32_t count = erat->row_count ? erat->row_count[row] : 0;
    if (count > erat->ways) count = erat->ways;
    if (count < 2) return 0;
    const ERAT_Entry *e = &erat->entries[(int64_t)row * erat->ways];
    int32_t best = 0;
    for (int32_t k = 1; k < count; k++)
        if (e[k].last_use < e[best].last_use) best = k;
    return best;
}

void ERAT_Destroy(ERAT_Struct *erat)
{
    if (!erat) return;
    if (erat->entries) {
        int64_t total = (int64_t)erat->rows * erat->ways;
        for (int64_t i = 0; i < total; i++)
            if (erat->entries[i].name) FORGET_STRING(erat->entries[i].name);
        QUARN_FREE(erat->entries);
        erat->entries = nullptr;
    }
    if (erat->row_count) QUARN_FREE(erat->row_count);
    erat->row_count = nullptr;
    free_trigger(erat->trigger);
    erat->trigger = nullptr;
}
