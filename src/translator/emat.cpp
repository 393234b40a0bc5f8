// Effective-address maps: records and tables, installation, lookup, invalidation, zaps, the mapping
// limit and the listings.
#include "translator/emat.h"

#include <sys/mman.h>

#include <cstdarg>
#include <cstdio>

#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/utils.h"
#include "runtime/utils_mmap.h"
#include "translator/frame.h"
#include "translator/page_tables.h"
#include "translator/xframe.h"

emat_s *all_emats = nullptr;
segtab *all_segment_tables = nullptr;
long long emat_zaps = 0;
long long emat_pa_zaps = 0;
int64_t utils_leak_baseline = 0;
int64_t utils_leak_printed = 0;
translator_warning_fn translator_warning_hook = nullptr;

namespace
{

constexpr uint64_t EMAT_TOP_BYTES = EMAT_TOP_ENTRIES * sizeof(uint64_t);
constexpr uint64_t EMAT_SECOND_BYTES = EMAT_SECOND_ENTRIES * sizeof(uint64_t);
constexpr uint64_t PAGE_MASK = ~0xFFFull;
constexpr int XLATE_SOURCE_REAL = 1;
constexpr int XLATE_SOURCE_TRANSLATED = 2;
constexpr uint8_t AXD_PERM_KP = 0x4, AXD_PERM_KS = 0x8, AXD_PERM_N = 0x10;

const char *const emat_names[] = {"user_xlate", "user_real",   "super_xlate", "super_real",
                                  "super_real", "hyper_xlate", "hyper_real"};
const char *const access_kind_names[] = {"Load",       "Store",      "Fetch",           "CacheLoad",
                                         "CacheTouch", "CacheFlush", "CacheInvalidate", "CacheStore",
                                         "CacheSet",   "Unknown"};

inline uint64_t top_index(uint64_t ea)
{
    return (ea >> 46) & (EMAT_TOP_ENTRIES - 1);
}
inline uint64_t second_index(uint64_t ea)
{
    return (ea >> 28) & (EMAT_SECOND_ENTRIES - 1);
}
inline uint64_t page_index(uint64_t ea)
{
    return (ea >> 12) & (EMAT_SEGMENT_PAGES - 1);
}

MemoryMap *chip_memory_map(MCM *chip)
{
    return chip && chip->mbus ? chip->mbus->memory_map : nullptr;
}

// The second-level slot of EA's region, made with create; null without one.
uint64_t *second_level_slot(emat_s *map, uint64_t ea, int create)
{
    uint64_t *table = emat_lookup_segs(map, ea, create);
    return table ? &table[second_index(ea)] : nullptr;
}

// Drops the region's segment and moves the record to the spare list.
void drop_region(emat_s *map, emat_entry_s **link)
{
    emat_entry_s *region = *link;
    emat_set_segment(map, region->ea, nullptr);
    *link = region->next;
    region->next = map->free_regions;
    map->free_regions = region;
}

void free_records(emat_entry_s *list)
{
    while (list) {
        emat_entry_s *next = list->next;
        QUARN_FREE(list);
        list = next;
    }
}

void clear_entry(emat_page_entry *entry)
{
    entry->store_frame = entry->read_page = entry->fetch_frame = entry->frame = 0;
}

// The physical page address of a biased frame slot.
uint64_t frame_pa(uint64_t biased)
{
    auto *frame = static_cast<frame_s *>(emat_unbias(biased));
    return frame ? frame->pa : 0;
}

} // namespace

void translator_warning(const char *format, ...)
{
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    sim_warning(2, "%s", text);
    if (translator_warning_hook) translator_warning_hook(text);
}

void *EMAT_GET_BIAS(void)
{
    static void *bias = utils_mmap("emat_bias", EMAT_BIAS_SIZE, PROT_NONE, 0, nullptr);
    return bias;
}

uint64_t emat_bias(const void *pointer)
{
    return pointer ? reinterpret_cast<uint64_t>(pointer) - reinterpret_cast<uint64_t>(EMAT_GET_BIAS()) : 0;
}

void *emat_unbias(uint64_t biased)
{
    return biased ? reinterpret_cast<void *>(biased + reinterpret_cast<uint64_t>(EMAT_GET_BIAS())) : nullptr;
}

int EMAT_READ_OFFSET(void)
{
    return (int)offsetof(emat_page_entry, read_page);
}
int EMAT_WRITE_OFFSET(void)
{
    return (int)offsetof(emat_page_entry, store_frame);
}
int EMAT_FETCH_OFFSET(void)
{
    return (int)offsetof(emat_page_entry, fetch_frame);
}

emat_s *emat_new(int32_t kind, MCM *chip)
{
    emat_s *map = QUARN_ZALLOC(1, emat_s);
    map->chip = chip;
    map->kind = kind;
    map->next = all_emats;
    all_emats = map;
    return map;
}

void emat_prep(emat_s *map)
{
    if (!map->top)
        map->top =
            static_cast<uint64_t *>(utils_mmap("emat", EMAT_TOP_BYTES, PROT_READ | PROT_WRITE, 0, nullptr));
}

void emat_clear(emat_s *map)
{
    while (map->regions)
        drop_region(map, &map->regions);
    free_records(map->free_regions);
    map->free_regions = nullptr;
    while (emat_entry2_s *table = map->tables) {
        map->tables = table->next;
        utils_unmap(table->table, EMAT_SECOND_BYTES);
        QUARN_FREE(table);
    }
    utils_unmap(map->top, EMAT_TOP_BYTES);
    map->top = nullptr;
}

void emat_free(emat_s *map)
{
    if (!map) return;
    for (emat_s **link = &all_emats; *link; link = &(*link)->next) {
        if (*link == map) {
            *link = map->next;
            break;
        }
    }
    emat_clear(map);
    QUARN_FREE(map);
}

uint64_t *emat_lookup_segs(emat_s *map, uint64_t ea, int create)
{
    emat_prep(map);
    if (!map->top) return nullptr;
    uint64_t &slot = map->top[top_index(ea)];
    if (!slot) {
        if (!create) return nullptr;
        void *bias = EMAT_GET_BIAS();
        void *table = utils_mmap("emat_lookup_segs", EMAT_SECOND_BYTES, PROT_READ | PROT_WRITE, 0, bias);
        if (table == bias) {
            // No table: walks through the slot fault in the bias region; nothing is installed.
            slot = emat_bias(bias);
            return nullptr;
        }
        emat_entry2_s *record = QUARN_ZALLOC(1, emat_entry2_s);
        record->table = static_cast<uint64_t *>(table);
        record->next = map->tables;
        map->tables = record;
        slot = emat_bias(table);
    }
    void *table = emat_unbias(slot);
    return table == EMAT_GET_BIAS() ? nullptr : static_cast<uint64_t *>(table);
}

segment *emat_get_segment(emat_s *map, uint64_t ea)
{
    if (!map || !map->top) return nullptr;
    uint64_t top = map->top[top_index(ea)];
    if (!top) return nullptr;
    auto *table = static_cast<uint64_t *>(emat_unbias(top));
    if (table == EMAT_GET_BIAS()) return nullptr;
    return static_cast<segment *>(emat_unbias(table[second_index(ea)]));
}

void emat_set_segment(emat_s *map, uint64_t ea, segment *seg)
{
    uint64_t *slot = second_level_slot(map, ea, seg != nullptr);
    if (!slot) return;
    auto *old = static_cast<segment *>(emat_unbias(*slot));
    if (old == seg) return;
    if (old) old->reference_count--;
    if (seg) seg->reference_count++;
    *slot = emat_bias(seg);
}

int emat_add(emat_s *map, ThreadState *thread, AXD *axd)
{
    if (!map || !thread || !axd) return 0;
    uint64_t ea;
    if (axd->xlate_mode == XLATE_SOURCE_REAL) {
        ea = axd->pa & PAGE_MASK;
    } else if (axd->xlate_mode == XLATE_SOURCE_TRANSLATED) {
        ea = axd->xlate_ea & PAGE_MASK;
    } else {
        translator_warning("unknown xsrc(%d)", (int)axd->xlate_mode);
        return 0;
    }
    uint8_t *host = Resolve_Mapped_Memory(thread->memory_client, axd->pa & PAGE_MASK);
    if (!host) return 0;

    GenericMachine *machine = thread->machine;
    if (machine) {
        uint64_t least = 8ull * (uint64_t)GenericMachine__ThreadCount(machine);
        if (machine->turbo_xlimit < least) machine->turbo_xlimit = least;
        utils_check((int64_t)machine->turbo_xlimit);
    }

    MemoryMap *memory = chip_memory_map(thread->mcm);
    if (!memory) return 0;
    frame_s *frame = ipt_lookup(memory->page_table, reinterpret_cast<uint64_t>(host), 1, 0, axd);
    if (!frame) return 0;

    const bool translated = axd->xlate_mode == XLATE_SOURCE_TRANSLATED;
    uint64_t vsid;
    if (translated) {
        vsid = axd->vsid >> 12;
        if (axd->seg_b) vsid |= (ea >> 28) & 0xFFF;
    } else {
        vsid = axd->pa >> 28;
    }
    segment *seg = emat_get_segment(map, ea);
    if (!seg) {
        int k = 0, n = 0, v = 0, b = 0;
        if (translated) {
            k = (axd->perm & ((thread->MSR.value & MSR_PR) ? AXD_PERM_KP : AXD_PERM_KS)) ? 1 : 0;
            n = (axd->perm & AXD_PERM_N) ? 1 : 0;
            v = 1;
            b = axd->seg_b ? 1 : 0;
        }
        seg = segtab_lookup(memory->segment_table, thread, vsid, 0, k, n, v, b, 1);
        if (!seg || !emat_lookup_segs(map, ea, 1)) return 0; // the failed mapping was reported
        emat_set_segment(map, ea, seg);
        emat_entry_s *region = map->free_regions;
        if (region)
            map->free_regions = region->next;
        else
            region = QUARN_ZALLOC(1, emat_entry_s);
        region->ea = ea & EMAT_REGION_MASK;
        region->next = map->regions;
        map->regions = region;
    }
    if (translated) {
        if ((seg->key & SEGMENT_KEY_VSID) != (vsid & SEGMENT_KEY_VSID))
            translator_warning("emat_add : mappped vsid = 0x%016lX, va = 0x%016lX, is_bat = %d",
                               (unsigned long)(seg->key & SEGMENT_KEY_VSID), (unsigned long)axd->vsid, 0);
    } else if (ea != frame->pa) {
        sim_error("emat_add : frm_ea = 0x%016lX, frame->pa = 0x%016lX", (unsigned long)ea,
                  (unsigned long)frame->pa);
    }
    segment_set_frame(seg, frame, ea, axd, (thread->MSR.value & MSR_SF) ? 1 : 0);
    frame_update_for_sm_handling(frame, axd, thread);
    return 0;
}

xframe *emat_xframe(emat_s *map, uint64_t ea, int mode64)
{
    segment *seg = emat_get_segment(map, ea);
    if (!seg) return nullptr;
    auto *frame = static_cast<frame_s *>(emat_unbias(seg->pages[page_index(ea)].fetch_frame));
    return frame ? frame_xlate(frame, mode64) : nullptr;
}

void EMAT_INVALIDATE_EA(ThreadState *thread, uint64_t ea, const char *)
{
    if (!thread) return;
    const uint64_t terabyte = (ea & EMAT_REGION_MASK) >> 40;
    for (emat_s *map : thread->emat) {
        if (!map) continue;
        for (emat_entry_s **link = &map->regions; *link;) {
            if (((*link)->ea >> 40) == terabyte)
                drop_region(map, link);
            else
                link = &(*link)->next;
        }
    }
}

void EMAT_INVALIDATE_ALL(ThreadState *thread, int32_t, const char *)
{
    if (!thread) return;
    for (emat_s *map : thread->emat) {
        if (!map) continue;
        while (map->regions)
            drop_region(map, &map->regions);
    }
}

void EMAT_TLBIA(ThreadState *thread, const char *reason)
{
    if (!thread || !thread->machine) return;
    GenericMachine *machine = thread->machine;
    const int32_t threads = GenericMachine__ThreadCount(machine);
    for (int32_t i = 0; i < threads; i++)
        EMAT_INVALIDATE_ALL(GenericMachine__Thread(machine, i), 0, reason);
    for (MemoryMap *memory = machine->memory_maps; memory; memory = memory->next)
        segtab_remove_segs(memory->segment_table);
}

void segtab_tlbie(segtab *table, ThreadState *thread, uint64_t va, int vsid_bits, int page_shift, int is)
{
    if (is) {
        EMAT_TLBIA(thread, "is != 0");
        return;
    }
    if (!table) return;
    uint64_t first, count;
    if (page_shift < 12) {
        translator_warning("offset_bits = %d", page_shift);
        first = (va >> 12) & (EMAT_SEGMENT_PAGES - 1);
        count = 1;
    } else if (page_shift > 28) {
        translator_warning("offset_bits = %d", page_shift);
        first = 0;
        count = EMAT_SEGMENT_PAGES;
    } else {
        first = ((va & 0x0FFFFFFFull) & ~((1ull << page_shift) - 1)) >> 12;
        count = 1ull << (page_shift - 12);
    }
    const uint64_t mask = vsid_bits >= 52 ? SEGMENT_KEY_VSID : (1ull << vsid_bits) - 1;
    const uint64_t vsid = (va >> 28) & mask;
    for (segment *seg = table->buckets[vsid & (SEGTAB_BUCKETS - 1)].first; seg; seg = seg->next) {
        if ((seg->key & SEGMENT_KEY_VSID & mask) != vsid) continue;
        for (uint64_t page = first; page < first + count && page < EMAT_SEGMENT_PAGES; page++)
            clear_entry(&seg->pages[page]);
    }
}

void EMAT_ZAP_(const char *, const char *file, int line)
{
    emat_zaps++;
    PrepareFL(file, line);
    // Maps first (no slot keeps a freed segment), segments next, frames last.
    for (emat_s *map = all_emats; map; map = map->next)
        emat_clear(map);
    SEGTAB_REMOVE_SEGS();
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next) {
        for (uint32_t i = 0; i < machine->num_mcms; i++) {
            MemoryMap *memory = chip_memory_map(GenericMachine__GetMCM(machine, (int32_t)i));
            if (memory) ipt_remove_frames(memory->page_table);
        }
    }
}

void EMAT_ZAP_MA_(uint64_t, const char *reason, const char *file, int line)
{
    EMAT_ZAP_(reason, file, line);
}

void EMAT_ZAP_PA_(uint64_t, const char *reason, const char *file, int line)
{
    EMAT_ZAP_(reason, file, line);
}

segtab *segtab_new(void)
{
    auto *table = static_cast<segtab *>(
        utils_mmap("segment table", sizeof(segtab), PROT_READ | PROT_WRITE, 1, nullptr));
    if (!table) return nullptr;
    table->next = all_segment_tables;
    all_segment_tables = table;
    return table;
}

segment *segtab_lookup(segtab *table, ThreadState *thread, uint64_t vsid, int flag56, int k, int n, int v,
                       int b, int create)
{
    if (!table) return nullptr;
    const uint64_t key = (flag56 ? 1ull << 56 : 0) | (k ? SEGMENT_KEY_K : 0) | (n ? SEGMENT_KEY_N : 0) |
                         (v ? SEGMENT_KEY_V : 0) | (b ? SEGMENT_KEY_B : 0) | (vsid & SEGMENT_KEY_VSID);
    IOPDesc *iop = thread ? thread->current_iop : nullptr;
    const uint64_t lpidr = iop ? (uint64_t)iGET_LPIDR(iop) : 0;
    const uint64_t amr = iop ? iGET_AMR(iop) : 0;
    const uint64_t sdr1 = iop ? iGET_SDR1(iop) : 0;
    segtab_bucket *bucket = &table->buckets[vsid & (SEGTAB_BUCKETS - 1)];
    for (segment *seg = bucket->first; seg; seg = seg->next)
        if (seg->key == key && seg->lpidr == lpidr && seg->amr == amr && seg->sdr1 == sdr1) return seg;
    if (!create) return nullptr;
    auto *seg =
        static_cast<segment *>(utils_mmap("segment", sizeof(segment), PROT_READ | PROT_WRITE, 1, nullptr));
    if (!seg) return nullptr;
    seg->key = key;
    seg->lpidr = lpidr;
    seg->amr = amr;
    seg->sdr1 = sdr1;
    if (!bucket->first) {
        bucket->next_nonempty = table->first_nonempty;
        table->first_nonempty = bucket;
    }
    seg->next = bucket->first;
    bucket->first = seg;
    return seg;
}

void segtab_remove_segs(segtab *table)
{
    if (!table) return;
    while (segtab_bucket *bucket = table->first_nonempty) {
        table->first_nonempty = bucket->next_nonempty;
        bucket->next_nonempty = nullptr;
        while (segment *seg = bucket->first) {
            bucket->first = seg->next;
            utils_unmap(seg, sizeof(segment));
        }
    }
}

void SEGTAB_REMOVE_SEGS(void)
{
    for (segtab *table = all_segment_tables; table; table = table->next)
        segtab_remove_segs(table);
}

void segment_set_frame(segment *seg, frame_s *frame, uint64_t ea, AXD *axd, int mode64)
{
    if (!seg) return;
    emat_page_entry *entry = &seg->pages[page_index(ea)];
    auto *old = static_cast<frame_s *>(emat_unbias(entry->frame));
    if (old && old != frame) {
        translator_warning("old frame = <%p>, new frame = <%p>, KNVB_vsid = 0x%016lX", (void *)old,
                           (void *)frame, (unsigned long)seg->key);
        translator_warning("    ea = 0x%016lX, axd->ea = 0x%016lX, axd->pa = 0x%016lX, axd->vsid = 0x%016lX",
                           (unsigned long)ea, (unsigned long)(axd ? axd->ea : 0),
                           (unsigned long)(axd ? axd->pa : 0), (unsigned long)(axd ? axd->vsid : 0));
        translator_warning("    old->pa = 0x%016lX, old->ma = <%p>", (unsigned long)old->pa,
                           (void *)old->host);
        translator_warning("    new->pa = 0x%016lX, new->ma = <%p>", (unsigned long)(frame ? frame->pa : 0),
                           (void *)(frame ? frame->host : 0));
        clear_entry(entry);
        return;
    }
    if (!frame) {
        clear_entry(entry);
        return;
    }
    entry->frame = emat_bias(frame);
    const uint64_t page = frame->host ? emat_bias(reinterpret_cast<void *>(frame->host)) : 0;
    const uint16_t kind = axd ? axd->kind : (uint16_t)AXD_KIND_LOAD;
    switch (kind) {
    case AXD_KIND_STORE:
        entry->store_frame = emat_bias(frame);
        entry->read_page = page;
        break;
    case AXD_KIND_FETCH:
        entry->read_page = page;
        entry->fetch_frame = emat_bias(frame);
        frame_xlate(frame, mode64);
        break;
    default:
        if (kind < AXD_KIND_CACHE_SET)
            entry->read_page = page;
        else
            translator_warning(
                "segment_set_frame : function = %s\n",
                access_kind_names[kind <= AXD_KIND_UNKNOWN ? kind : (uint16_t)AXD_KIND_UNKNOWN]);
        break;
    }
}

void utils_check(int64_t limit)
{
    if (utils_mapping_count - utils_leak_baseline > limit) {
        EMAT_ZAP_("utils_check", __FILE__, __LINE__);
        utils_leak_baseline = utils_mapping_count;
    }
}

const char *emat_name(const emat_s *map)
{
    if (map->kind < 0 || map->kind >= (int32_t)(sizeof emat_names / sizeof emat_names[0])) return "?";
    return emat_names[map->kind];
}

int emat_num(const emat_s *map)
{
    return map->kind == EMAT_SUPER_REAL_VRM ? 1 : 0;
}

void EMAT_NL(int indent)
{
    SIM_PRINT("\n|%*s", indent, "");
}

void emat_dump(const emat_s *map, int indent)
{
    EMAT_NL(indent);
    SIM_PRINT("%s#%d:", emat_name(map), emat_num(map));
    for (const emat_entry_s *region = map->regions; region; region = region->next) {
        EMAT_NL(indent + 4);
        SIM_PRINT("ea = 0x%016lX", (unsigned long)region->ea);
        segment_dump(emat_get_segment(const_cast<emat_s *>(map), region->ea), indent + 8);
    }
}

void segment_dump(const segment *seg, int indent)
{
    if (!seg) return;
    EMAT_NL(indent);
    SIM_PRINT("KNVB_vsid = 0x%016lX", (unsigned long)seg->key);
    for (uint64_t page = 0; page < EMAT_SEGMENT_PAGES; page++) {
        const emat_page_entry &entry = seg->pages[page];
        if (!entry.store_frame && !entry.read_page && !entry.fetch_frame && !entry.frame) continue;
        EMAT_NL(indent + 4);
        SIM_PRINT("off = 0x%016lX", (unsigned long)(page << 12));
        if (entry.store_frame) SIM_PRINT(" store_pa = 0x%016lX", (unsigned long)frame_pa(entry.store_frame));
        if (entry.read_page) SIM_PRINT(" load_ma = <%p>", emat_unbias(entry.read_page));
        if (entry.fetch_frame) SIM_PRINT(" fetch_pa = 0x%016lX", (unsigned long)frame_pa(entry.fetch_frame));
        if (entry.frame) SIM_PRINT(" frame_pa = 0x%016lX", (unsigned long)frame_pa(entry.frame));
    }
}

void EMAT_KIPS(void)
{
    if (emat_zaps || emat_pa_zaps) {
        SIM_PRINT(" [%lld Zaps  %lld PA-Zaps]", emat_zaps, emat_pa_zaps);
        emat_zaps = 0;
        emat_pa_zaps = 0;
    }
    UTILS_KIPS();
}

void UTILS_KIPS(void)
{
    if (utils_leak_baseline != utils_leak_printed) {
        SIM_PRINT(" [%d leaks]", (int)utils_leak_baseline);
        utils_leak_printed = utils_leak_baseline;
    }
}
