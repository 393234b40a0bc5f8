// The ERATs.
#include "mmu/erat.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "interrupts/hooks/erat_invalidate.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/translation/erat.h"
#include "processor/translation/tlb_slb_erat.h"
#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/tcl_eval.h"
#include "kernel/tsim.h"

const char *const ERAT_KindNames[10] = {"LOAD",        "STORE",       "IFETCH",           "CACHE_LOAD",
                                        "CACHE_TOUCH", "CACHE_FLUSH", "CACHE_INVALIDATE", "CACHE_STORE",
                                        "CACHE_SET",   "UNKNOWN"};
const char *const ERAT_InvalidateReasons[6] = {"TLBIE", "TLBIA", "SLBIE", "SLBIA", "MTASR", "MTSR"};

namespace
{

constexpr int16_t SMALL_SHIFT = 12;

bool power_of_two(int32_t n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

int16_t log2_of(int64_t n)
{
    int16_t bits = 0;
    while (bits < 62 && (1ll << bits) < n)
        bits++;
    return bits;
}

bool has_trigger(const ERAT_Struct *erat)
{
    return erat->trigger && erat->trigger->enabled && erat->trigger->procedure && erat->trigger->procedure[0];
}

const char *kind_name(uint32_t kind)
{
    return ERAT_KindNames[kind > 9 ? 9 : kind];
}

const char *reason_name(int32_t reason)
{
    return reason >= 0 && reason < 6 ? ERAT_InvalidateReasons[reason] : "UNKNOWN";
}

bool usable(const ERAT_Struct *erat)
{
    return erat && erat->entries && erat->row_count && erat->rows > 0 && erat->ways > 0;
}

uint64_t current_tick(ThreadState *thread)
{
    GenericMachine *machine = thread->machine;
    if (!machine || !machine->tsim) {
        sim_error("tsim in machine is NULL!!!!");
        return 0;
    }
    return machine->tsim->now;
}

void empty(ThreadState *thread, ERAT_Struct *erat, int32_t reason, const char *where)
{
    if (!usable(erat)) return;
    memset(erat->row_count, 0, sizeof(int32_t) * (size_t)erat->rows);
    if (has_trigger(erat))
        ERAT_Trigger_Invoke(thread, erat, "op invalidate reason %s where {%s}", reason_name(reason), where);
}

// Removes the first entry of the row with the tag at page bits pb (any thread, kind or MSR).
void remove_entry(ThreadState *thread, ERAT_Struct *erat, uint64_t rb, int32_t pb, int32_t reason,
                  const char *where)
{
    if (!usable(erat)) return;
    int32_t row = ERAT_Row(erat, rb, pb);
    uint64_t tag = ERAT_Tag(rb, pb);
    ERAT_Entry *e = &erat->entries[(int64_t)row * erat->ways];
    int32_t count = erat->row_count[row];
    int matches = 0;
    for (int32_t k = 0; k < count; k++) {
        if (e[k].axd.ea != tag || e[k].erat_shift != pb) continue;
        // The later entries move down one way; each keeps its own name.
        for (int32_t j = k; j + 1 < count; j++) {
            char *name = e[j].name;
            e[j] = e[j + 1];
            e[j].name = name;
        }
        erat->row_count[row] = count - 1;
        matches = 1;
        break;
    }
    if (has_trigger(erat))
        ERAT_Trigger_Invoke(thread, erat,
                            "op invalidate reason %s where {%s} rb 0x%016lX page_bits %d row %d matches %d",
                            reason_name(reason), where, (unsigned long)tag, pb, row, matches);
}

void empty_row(ThreadState *thread, ERAT_Struct *erat, uint64_t rb, int32_t shift, int32_t reason,
               const char *where)
{
    int32_t row = ERAT_Row(erat, rb, shift);
    erat->row_count[row] = 0;
    if (has_trigger(erat))
        ERAT_Trigger_Invoke(thread, erat,
                            "op invalidate reason %s where {%s} rb 0x%016lX page_bits %d row %d",
                            reason_name(reason), where, (unsigned long)rb, shift, row);
}

// The first valid entry of the row at shift s that serves the thread, kind and MSR.
ERAT_Entry *search_row(ThreadState *thread, ERAT_Struct *erat, uint64_t ea, uint32_t kind, int32_t s)
{
    int32_t row = ERAT_Row(erat, ea, s);
    uint64_t tag = ERAT_Tag(ea, s);
    ERAT_Entry *e = &erat->entries[(int64_t)row * erat->ways];
    int32_t count = erat->row_count[row];
    uint16_t me = (uint16_t)thread->thread_id_in_core;
    for (int32_t k = 0; k < count; k++) {
        ERAT_Entry *entry = &e[k];
        if (entry->axd.ea != tag || entry->thread != me || entry->erat_shift != s) continue;
        if (kind == AXD_KIND_STORE && entry->kind != AXD_KIND_STORE) continue;
        if (erat->msr_mask && entry->msr_bits != (thread->MSR.value & erat->msr_mask)) continue;
        if (has_trigger(erat))
            ERAT_Trigger_Invoke(thread, erat, "op find func %s ea 0x%016lX result success row %d pa 0x%016lX",
                                kind_name(kind), (unsigned long)tag, row, (unsigned long)entry->axd.pa);
        return entry;
    }
    return nullptr;
}

} // namespace

void ERAT_Init(ProcessorState *processor, int32_t index, ERAT_Struct *erat, int32_t rows, int32_t ways,
               int32_t is_instruction)
{
    if (!erat) return;
    // The row hash uses the base-2 logarithms of both counts: only powers of two work.
    if (!power_of_two(rows) || !power_of_two(ways)) {
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
    erat->way_bits = log2_of(ways);
    erat->row_bits = log2_of(rows);
    int64_t large =
        processor ? (is_instruction ? processor->ierat_large_page : processor->derat_large_page) : 0;
    erat->large_shift = large > 4096 ? log2_of(large) : SMALL_SHIFT;
    erat->small_shift = SMALL_SHIFT;
    erat->msr_mask =
        processor ? (uint64_t)(is_instruction ? processor->ierat_msr_mask : processor->derat_msr_mask) : 0;
    erat->trigger = nullptr;
}

ERAT_Struct *Thread_ERAT(ThreadState *thread, uint32_t kind)
{
    ProcessorState *core = thread->processor;
    uint32_t n = (uint32_t)thread->thread_id_in_core;
    ERAT_Struct *erat = nullptr;
    if (kind == AXD_KIND_FETCH) {
        if (core->ierats && core->ierat_count) erat = &core->ierats[n & (core->ierat_count - 1)];
    } else if (core->derats && core->derat_count) {
        erat = &core->derats[n & (core->derat_count - 1)];
    }
    return usable(erat) ? erat : nullptr;
}

int32_t ERAT_Row(const ERAT_Struct *erat, uint64_t ea, int32_t shift)
{
    int32_t r = erat->row_bits;
    if (r <= 0) return 0;
    uint64_t low = shift >= 64 ? 0 : ea >> shift;
    return (int32_t)(((ea >> (64 - r)) ^ low) & ((1ull << r) - 1));
}

uint64_t ERAT_Tag(uint64_t ea, int32_t shift)
{
    return shift >= 64 ? 0 : ea & ~((1ull << shift) - 1);
}

ERAT_Entry *ERAT_FindMapping(ThreadState *thread, ERAT_Struct *erat, uint64_t ea, uint32_t kind)
{
    if (!usable(erat)) return nullptr;
    ERAT_Entry *hit = search_row(thread, erat, ea, kind, erat->small_shift);
    if (!hit && erat->small_shift < erat->large_shift)
        hit = search_row(thread, erat, ea, kind, erat->large_shift);
    if (!hit && has_trigger(erat))
        ERAT_Trigger_Invoke(thread, erat, "op find func %s ea 0x%016lX result fail", kind_name(kind),
                            (unsigned long)ea);
    return hit;
}

void ERAT_AddMapping(ThreadState *thread, ERAT_Struct *erat, AXD *axd, uint64_t xlate_ea, int32_t page_shift,
                     const uint64_t pte[2])
{
    if (!usable(erat)) return;
    int16_t shift = page_shift >= erat->large_shift ? erat->large_shift : erat->small_shift;
    int32_t row = ERAT_Row(erat, xlate_ea, shift);
    uint64_t tag = ERAT_Tag(xlate_ea, shift);
    ERAT_Entry *e = &erat->entries[(int64_t)row * erat->ways];
    int32_t count = erat->row_count[row];
    uint16_t me = (uint16_t)thread->thread_id_in_core;
    int32_t way = -1;
    for (int32_t k = 0; k < count && way < 0; k++)
        if (e[k].axd.ea == tag && e[k].thread == me) way = k;
    if (way < 0 && count < erat->ways) {
        way = count;
        erat->row_count[row] = ++count;
    } else if (way < 0) {
        way = ERAT_LRU_Way(erat, row);
        if (has_trigger(erat))
            ERAT_Trigger_Invoke(thread, erat, "op evict func %s ea 0x%016lX pa 0x%016lX index %d row %d",
                                kind_name(e[way].kind), (unsigned long)e[way].axd.ea,
                                (unsigned long)e[way].axd.pa, row * erat->ways + way, row);
    }
    ERAT_Entry *entry = &e[way];
    entry->axd = *axd;
    entry->axd.ea = tag;
    entry->axd.pa = ERAT_Tag(axd->pa, shift);
    entry->pte[0] = pte ? pte[0] : 0;
    entry->pte[1] = pte ? pte[1] : 0;
    entry->msr_bits = thread->MSR.value & erat->msr_mask;
    entry->lpidr = tGUESS_LPIDR(thread, 1);
    entry->sdr1 = tGUESS_SDR1(thread, 1);
    entry->page_shift = (int16_t)page_shift;
    entry->erat_shift = shift;
    entry->kind = axd->kind;
    entry->thread = me;
    entry->last_use = current_tick(thread);
    if (has_trigger(erat))
        ERAT_Trigger_Invoke(thread, erat, "op add func %s ea 0x%016lX pa 0x%016lX index %d row %d count %d",
                            kind_name(axd->kind), (unsigned long)tag, (unsigned long)entry->axd.pa,
                            row * erat->ways + way, row, count);
}

void ERAT_InvalidateAll(ThreadState *thread, int32_t reason, const char *where)
{
    ProcessorState *core = thread->processor;
    for (uint32_t i = 0; core->ierats && i < core->ierat_count; i++)
        empty(thread, &core->ierats[i], reason, where);
    for (uint32_t i = 0; core->derats && i < core->derat_count; i++)
        empty(thread, &core->derats[i], reason, where);
}

void ERAT_InvalidateMatch(ThreadState *thread, ERAT_Struct *erat, uint64_t rb, int32_t reason,
                          const char *where)
{
    if (!usable(erat)) return;
    remove_entry(thread, erat, rb, erat->small_shift, reason, where);
    if (erat->small_shift < erat->large_shift)
        remove_entry(thread, erat, rb, erat->large_shift, reason, where);
}

void ERAT_InvalidateSome(ThreadState *thread, int32_t reason, const char *where, uint64_t rb, int32_t,
                         int32_t page_bits)
{
    ProcessorState *core = thread->processor;
    for (uint32_t i = 0; core->ierats && i < core->ierat_count; i++)
        empty(thread, &core->ierats[i], reason, where);
    for (uint32_t i = 0; core->derats && i < core->derat_count; i++)
        remove_entry(thread, &core->derats[i], rb, page_bits, reason, where);
}

void ERAT_InvalidateSet(ThreadState *thread, ERAT_Struct *erat, uint64_t rb, int32_t reason,
                        const char *where)
{
    if (!usable(erat)) return;
    empty_row(thread, erat, rb, erat->small_shift, reason, where);
    if (erat->small_shift < erat->large_shift) empty_row(thread, erat, rb, erat->large_shift, reason, where);
}

void ERAT_Trigger_Invoke(ThreadState *thread, ERAT_Struct *erat, const char *format, ...)
{
    if (!erat || !has_trigger(erat)) return;
    GenericMachine *machine = thread->machine;
    char text[1024];
    int used =
        snprintf(text, sizeof text, "%s sim %s mcm %d cpu %d thread %d erat %s ", erat->trigger->procedure,
                 machine && machine->name ? machine->name : "", thread->mcm ? thread->mcm->number : 0,
                 thread->processor ? (int)thread->processor->number_in_chip : 0, thread->thread_id_in_core,
                 erat->name);
    if (used < 0 || used >= (int)sizeof text) return;
    va_list args;
    va_start(args, format);
    vsnprintf(text + used, sizeof text - (size_t)used, format, args);
    va_end(args);
    safe_Tcl_Eval(quarn_common.interpreter, text);
}
