// Stand-in of the ERAT set-up.
#include <cstdio>

#include "processor/translation/erat.h"
#include "processor/records/processor_state.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

// log2 rounded down (0 for 0 and 1).
int16_t floor_log2(uint64_t value)
{
    return value > 1 ? (int16_t)(63 - __builtin_clzll(value)) : 0;
}

} // namespace

// STAND-IN: the ERAT module (lookup, invalidation, trigger texts) is not built; the record is set
// up with its rows, ways, named entries, page shifts and MSR mask so that it can be torn down.
__attribute__((weak)) void ERAT_Init(ProcessorState *processor, int32_t index, ERAT_Struct *erat,
                                     int32_t rows, int32_t ways, int32_t is_instruction)
{
    if (!erat) return;
    if (rows <= 0 || ways <= 0) {
        sim_error("bad ERAT size: rows = %d, cols = %d", rows, ways);
        return;
    }
    snprintf(erat->name, sizeof erat->name, "%s_%sERAT.%d",
             processor && processor->name ? processor->name : "<unknown>", is_instruction ? "i" : "d", index);
    int64_t total = (int64_t)rows * ways;
    erat->row_count = QUARN_ZALLOC(rows, int32_t);
    erat->entries = total <= INT32_MAX ? QUARN_ZALLOC(total, ERAT_Entry) : nullptr;
    if (!erat->row_count || !erat->entries) {
        if (erat->row_count) QUARN_FREE(erat->row_count);
        if (erat->entries) QUARN_FREE(erat->entries);
        erat->row_count = nullptr;
        erat->entries = nullptr;
        sim_error("can't allocate ERAT cache");
        return;
    }
    char name[96];
    for (int64_t i = 0; i < total; i++) {
        snprintf(name, sizeof name, "%s[%d]", erat->name, (int)i);
        erat->entries[i].name = REMEMBER_STRING(name);
    }
    erat->rows = rows;
    erat->ways = ways;
    erat->way_bits = floor_log2((uint64_t)ways);
    erat->row_bits = floor_log2((uint64_t)rows);
    int64_t large =
        processor ? (is_instruction ? processor->ierat_large_page : processor->derat_large_page) : 0;
    erat->large_shift = large > 4096 ? floor_log2((uint64_t)large) : (int16_t)12;
    erat->small_shift = 12;
    erat->msr_mask =
        processor ? (uint64_t)(is_instruction ? processor->ierat_msr_mask : processor->derat_msr_mask) : 0;
    erat->trigger = nullptr;
}
