// The instruction statistics profile.
#include "trace/inst_stats.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "kernel/tsim.h"
#include "processor/records/generic_machine.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

const char *const InstStats_Names[ISTAT_COUNTERS] = {
    "L1I_CACHE_MISS",     "L1D_CACHE_MISS",     "L1D_TRANSLATION_CACHE_MISS", "L1D_SIMSUPPORT_CACHE_MISS",
    "L2_INST_CACHE_MISS", "L2_DATA_CACHE_MISS", "L3_INST_CACHE_MISS",         "L3_DATA_CACHE_MISS",
    "BIT32_INST",         "BIT64_INST",         "TLB_MISS",                   "ITLB_MISS",
    "DTLB_MISS",          "INST_COUNT",
};

namespace
{

uint64_t now(InstProfile *p)
{
    return p->machine && p->machine->tsim ? p->machine->tsim->now : 0;
}

void init(InstProfile *p)
{
    if (p->initialized) return;
    int32_t threads = p->machine ? GenericMachine__ThreadCount(p->machine) : 1;
    if (threads < 1) threads = 1;
    p->history_count = threads;
    p->histories = QUARN_ZALLOC(threads, DataRefHistory_t);
    for (int32_t i = 0; i < threads; i++) {
        p->histories[i].first = -1;
        p->histories[i].next = 0;
    }
    memset(p->totals, 0, sizeof p->totals);
    HASH2_InitTable(&p->table);
    p->records = 0;
    p->initialized = 1;
}

// The thread's history, or null (with the error) for a number outside the machine's threads.
DataRefHistory_t *history(InstProfile *p, int32_t thread)
{
    init(p);
    // A history exists for threads 0 .. count - 1; the count itself is refused too.
    if (thread < 0 || thread >= p->history_count) {
        sim_error("ISTAT_processor_id_check: procid=%d is greater than the maximum of %d\n", thread,
                  p->history_count - 1);
        return nullptr;
    }
    return &p->histories[thread];
}

InstInfo_t *find(InstProfile *p, uint64_t ea)
{
    return reinterpret_cast<InstInfo_t *>(HASH2_GetByValue(&p->table, ea, 0));
}

InstInfo_t *make(InstProfile *p, uint64_t ea, uint64_t function)
{
    InstInfo_t *info = QUARN_ZALLOC(1, InstInfo_t);
    info->header.key0 = ea;
    info->header.key1 = 0;
    info->function = function;
    info->pid = -1;
    info->created = now(p);
    info->icache = -1;
    HASH2_AddEntry(&p->table, &info->header);
    p->records++;
    return info;
}

InstInfo_t *find_or_make(InstProfile *p, uint64_t ea, uint64_t function = ~0ull)
{
    InstInfo_t *info = find(p, ea);
    return info ? info : make(p, ea, function);
}

int32_t append(DataRefHistory_t *h, const DataRef_t &ref)
{
    const int32_t at = h->next;
    h->refs[at] = ref;
    h->next = (at + 1) % DATA_REF_HISTORY;
    if (h->first == -1)
        h->first = at;
    else if (h->next == h->first)
        h->first = (h->first + 1) % DATA_REF_HISTORY;
    return h->next;
}

// The newest reference whose range [address, address + length] contains the address, both sides
// taken with the mask; null when none.
DataRef_t *newest(DataRefHistory_t *h, uint64_t address, uint64_t mask = ~0ull)
{
    if (h->first == -1) return nullptr;
    int32_t i = h->next;
    do {
        i = i == 0 ? DATA_REF_HISTORY - 1 : i - 1;
        DataRef_t &ref = h->refs[i];
        const uint64_t low = ref.address & mask, high = (ref.address + (uint64_t)ref.length) & mask;
        const uint64_t a = address & mask;
        if (a >= low && a <= high) return &ref;
    } while (i != h->first);
    return nullptr;
}

uint64_t line_mask(uint64_t line_size)
{
    return line_size ? ~(line_size - 1) : ~0ull;
}

} // namespace

int32_t INST_PROF_inst_fetch_start(InstProfile *p, int32_t thread, uint64_t ea)
{
    DataRefHistory_t *h = history(p, thread);
    if (!h) return -1;
    DataRef_t ref{ea, 0, 0, 4, REF_INST_FETCH, find_or_make(p, ea)};
    return append(h, ref);
}

InstInfo_t *INST_PROF_inst_fetch_addr_resolved(InstProfile *p, int32_t thread, uint64_t ea, uint64_t value)
{
    DataRefHistory_t *h = history(p, thread);
    if (!h) return nullptr;
    DataRef_t *ref = newest(h, ea);
    if (!ref) {
        sim_warning(2, "INST_PROF_inst_fetch_addr_resolved: Failed to find ref at EA:0x%016lX", (unsigned long)ea);
        return nullptr;
    }
    ref->resolved = 1;
    ref->value = value;
    ref->inst = find_or_make(p, ea);
    return ref->inst;
}

InstInfo_t *INST_PROF_inst(InstProfile *p, int32_t thread, uint64_t function, uint64_t ea, int32_t wide, int32_t pid,
                           int32_t, uint64_t time)
{
    if (!history(p, thread)) return nullptr;
    const int bits = wide ? ISTAT_BIT64_INST : ISTAT_BIT32_INST;
    p->totals[ISTAT_INST_COUNT]++;
    p->totals[bits]++;
    InstInfo_t *info = find_or_make(p, ea, function);
    info->counters[ISTAT_INST_COUNT]++;
    info->counters[bits]++;
    if (info->function == ~0ull) info->function = function;
    if (info->pid == -1) {
        info->pid = pid;
        info->created = time;
    } else if (info->pid != pid) {
        info->pid = pid;
    }
    return info;
}

int32_t INST_PROF_inst_ref(InstProfile *p, int32_t thread, uint64_t ea, int32_t, uint64_t address, int32_t length,
                           int32_t kind)
{
    DataRefHistory_t *h = history(p, thread);
    if (!h) return -1;
    InstInfo_t *info = find(p, ea);
    if (info) info->flags |= INSTINFO_DATA_CHARGED;
    DataRef_t ref{address, 0, 0, length, kind, info};
    return append(h, ref);
}

int32_t INST_PROF_inst_ref_addr_resolved(InstProfile *p, int32_t thread, uint64_t ea, uint64_t value)
{
    DataRefHistory_t *h = history(p, thread);
    if (!h) return -1;
    DataRef_t *ref = newest(h, ea);
    if (!ref) {
        sim_warning(2, "INST_PROF_inst_ref_addr_resolved: Failed to find ref at EA:0x%016lX", (unsigned long)ea);
        return -1;
    }
    ref->resolved = 1;
    ref->value = value;
    return (int32_t)(ref - h->refs);
}

int32_t INST_PROF_seg_table_ref(InstProfile *p, int32_t thread, uint64_t address, int32_t length, int32_t flag)
{
    DataRefHistory_t *h = history(p, thread);
    const int32_t kind = flag ? REF_SEG_TABLE_FLAGGED : REF_SEG_TABLE;
    if (h) append(h, DataRef_t{address, 0, 0, length, kind, nullptr});
    return kind;
}

void INST_PROF_page_table_ref(InstProfile *p, int32_t thread, uint64_t address, int32_t length, int32_t flag,
                              uint64_t ea)
{
    DataRefHistory_t *h = history(p, thread);
    if (!h) return;
    DataRef_t *by = newest(h, ea);
    append(h, DataRef_t{address, 0, 0, length, flag ? REF_PAGE_TABLE_FLAGGED : REF_PAGE_TABLE, by ? by->inst : nullptr});
}

InstInfo_t *INST_PROF_icache_miss(InstProfile *p, int32_t thread, uint64_t function, uint64_t ea, int32_t value)
{
    if (!history(p, thread)) return nullptr;
    p->totals[ISTAT_L1I_CACHE_MISS]++;
    InstInfo_t *info = find(p, ea);
    if (!info) {
        info = make(p, ea, function);
        info->icache = value;
    }
    info->counters[ISTAT_L1I_CACHE_MISS]++;
    return info;
}

InstInfo_t *INST_PROF_l1d_miss(InstProfile *p, int32_t thread, int32_t, uint64_t address, int32_t, int32_t,
                               uint64_t line_size)
{
    DataRefHistory_t *h = history(p, thread);
    if (!h) return nullptr;
    p->totals[ISTAT_L1D_CACHE_MISS]++;
    DataRef_t *ref = newest(h, address, line_mask(line_size));
    if (!ref) {
        sim_warning(2, "INST_PROF_l1d_miss: No Instruction Found in Hash Table (EA:0x%016lX)", (unsigned long)address);
        return nullptr;
    }
    InstInfo_t *info = ref->inst;
    if (!info) {
        sim_warning(2, "INST_PROF_l1d_miss: Found EA:0x%016lX but the instruction pointer is NULL",
                    (unsigned long)address);
        return nullptr;
    }
    info->counters[ISTAT_L1D_CACHE_MISS]++;
    info->flags |= INSTINFO_DATA_CHARGED;
    int extra = -1;
    if (ref->kind == REF_SIMSUPPORT_A || ref->kind == REF_SIMSUPPORT_B) extra = ISTAT_L1D_SIMSUPPORT_CACHE_MISS;
    if (ref->kind >= REF_PAGE_TABLE_FLAGGED && ref->kind <= REF_SEG_TABLE) extra = ISTAT_L1D_TRANSLATION_CACHE_MISS;
    if (extra >= 0) {
        info->counters[extra]++;
        p->totals[extra]++;
    }
    return info;
}

InstInfo_t *INST_PROF_l2_miss(InstProfile *p, int32_t thread, uint64_t function, uint64_t ea, int32_t,
                              int32_t instruction, int32_t, uint64_t line_size)
{
    DataRefHistory_t *h = history(p, thread);
    if (!h) return nullptr;
    if (instruction) {
        p->totals[ISTAT_L2_INST_CACHE_MISS]++;
        InstInfo_t *info = find_or_make(p, ea, function);
        info->counters[ISTAT_L2_INST_CACHE_MISS]++;
        return info;
    }
    p->totals[ISTAT_L2_DATA_CACHE_MISS]++;
    DataRef_t *ref = newest(h, ea, line_mask(line_size));
    if (!ref || !ref->inst) {
        sim_warning(2, "L2 miss cannot be associated back to an instruction since the EA is not found in the "
                       "reference history table");
        return nullptr;
    }
    ref->inst->counters[ISTAT_L2_DATA_CACHE_MISS]++;
    ref->inst->flags |= INSTINFO_DATA_CHARGED;
    return ref->inst;
}

void INST_PROF_l3_miss(InstProfile *p, uint64_t address)
{
    init(p);
    const uint64_t block = address >> 8;
    for (int32_t t = 0; t < p->history_count; t++) {
        DataRefHistory_t *h = &p->histories[t];
        if (h->first == -1) continue;
        int32_t i = h->next;
        do {
            i = i == 0 ? DATA_REF_HISTORY - 1 : i - 1;
            DataRef_t &ref = h->refs[i];
            if (ref.resolved && block >= (ref.value >> 8) && block <= ((ref.value + (uint64_t)ref.length) >> 8)) {
                const int counter = ref.kind == REF_INST_FETCH ? ISTAT_L3_INST_CACHE_MISS : ISTAT_L3_DATA_CACHE_MISS;
                p->totals[counter]++;
                if (ref.inst) {
                    ref.inst->counters[counter]++;
                    if (counter == ISTAT_L3_DATA_CACHE_MISS) ref.inst->flags |= INSTINFO_DATA_CHARGED;
                }
                return;
            }
        } while (i != h->first);
    }
    p->totals[ISTAT_L3_DATA_CACHE_MISS]++;
}

InstInfo_t *INST_PROF_tlb_miss(InstProfile *p, int32_t thread, uint64_t ea, int32_t instruction)
{
    DataRefHistory_t *h = history(p, thread);
    if (!h) return nullptr;
    const int kind = instruction ? ISTAT_ITLB_MISS : ISTAT_DTLB_MISS;
    p->totals[ISTAT_TLB_MISS]++;
    p->totals[kind]++;
    InstInfo_t *info = nullptr;
    if (instruction) {
        info = find_or_make(p, ea);
    } else if (DataRef_t *ref = newest(h, ea)) {
        info = ref->inst;
    }
    if (info) {
        info->counters[ISTAT_TLB_MISS]++;
        info->counters[kind]++;
    }
    return info;
}

char *ISTAT_List(const uint64_t *counters, char *buffer, size_t size)
{
    size_t used = 0;
    for (int i = 0; i < ISTAT_COUNTERS; i++) {
        const int n = snprintf(buffer + used, size - used, "%s %ld ", InstStats_Names[i], (long)counters[i]);
        if (n < 0 || (size_t)n + 1 > size - used) {
            sim_error("ISTAT_List stats buffer is too small");
            return nullptr;
        }
        used += (size_t)n;
    }
    return buffer;
}

void PrintDelta(const char *format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    SIM_PRINT("PrintDelta: %s\n", text);
}
