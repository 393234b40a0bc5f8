// ERAT insertion.
#include "processor/translation/erat_insert.h"

#include "kernel/kernel_now.h"
#include "processor/hooks/erat_trigger.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/translation/erat.h"
#include "processor/translation/tlb_slb_erat.h"

namespace
{

// The access-kind names of the trigger texts.
const char *kind_name(uint16_t kind)
{
    static const char *const names[] = {"Load", "Store", "Fetch", "CacheLoad", "CacheTouch"};
    return kind < sizeof names / sizeof names[0] ? names[kind] : "Other";
}

} // namespace

int ERAT_AddMapping(ThreadState *thread, ERAT_Struct *erat, const AXD *translation, uint64_t ea,
                    int32_t page_shift, const uint64_t segment_words[2])
{
    // An ERAT left empty by a bad size has nowhere to put the translation.
    if (!erat || !erat->entries || !erat->row_count || erat->rows <= 0 || erat->ways <= 0) return 0;
    const int32_t shift = page_shift >= erat->large_shift ? erat->large_shift : erat->small_shift;
    const int32_t row_bits = erat->row_bits;
    const uint64_t row_mask = row_bits > 0 ? (1ull << row_bits) - 1 : 0;
    const uint64_t hash = (row_bits > 0 ? ea >> (64 - row_bits) : 0) ^ (ea >> shift);
    const int32_t row = (int32_t)((hash & row_mask) % (uint64_t)erat->rows);
    const uint64_t offset_mask = (1ull << shift) - 1;
    const uint64_t key = ea & ~offset_mask;
    const uint16_t number = (uint16_t)thread->thread_id_in_core;
    ERAT_Entry *ways = &erat->entries[(int64_t)row * erat->ways];
    int32_t &count = erat->row_count[row];
    if (count > erat->ways) count = erat->ways;
    int32_t way = -1;
    for (int32_t k = 0; k < count; k++) {
        if (ways[k].axd.ea == key && ways[k].thread == number) {
            way = k;
            break;
        }
    }
    if (way < 0 && count < erat->ways) {
        way = count++;
    } else if (way < 0) {
        way = ERAT_LRU_Way(erat, row);
        const ERAT_Entry &victim = ways[way];
        ERAT_Trigger_Invoke(thread, erat, "op evict func %s ea 0x%016lX pa 0x%016lX index %d row %d",
                            kind_name(victim.kind), (unsigned long)victim.axd.ea,
                            (unsigned long)victim.axd.pa, way, row);
    }
    ERAT_Entry &entry = ways[way];
    entry.axd = *translation;
    entry.pte[0] = segment_words ? segment_words[0] : 0;
    entry.pte[1] = segment_words ? segment_words[1] : 0;
    entry.lpidr = tCOOKED_GET_LPIDR(thread, 0);
    entry.sdr1 = tCOOKED_GET_SDR1(thread, 0);
    entry.msr_bits = thread->MSR.value & erat->msr_mask;
    entry.last_use = current_kernel_now();
    entry.axd.ea = key;
    entry.axd.pa = translation->pa & ~offset_mask;
    entry.page_shift = (int16_t)page_shift;
    entry.erat_shift = (int16_t)shift;
    entry.kind = translation->kind;
    entry.thread = number;
    return ERAT_Trigger_Invoke(
        thread, erat, "op add func %s ea 0x%016lX pa 0x%016lX index %d row %d count %d",
        kind_name(entry.kind), (unsigned long)key, (unsigned long)entry.axd.pa, way, row, count);
}
