// The cache-containment checker.
#include "mmu/cache_container.h"

#include <strings.h>

#include <cstring>

#include "mmu/data_path_hooks.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

struct TypeInfo {
    const char *name;
    const char *display;
    int32_t entries_log2;
    uint64_t index_mask;
    int32_t slice_log2;
};

const TypeInfo types[3] = {
    {"DravoPlus_L2", "Dravo+ L2", 11, 0x7F80, 1},
    {"Zindle_L2", "Zindle L2", 12, 0xFF80, 1},
    {"Zindle_L3", "Zindle L3", 16, 0xFFF80, 2},
};

const char *kind_text(int kind)
{
    switch (kind) {
    case 1:
        return "PA_Fetch_Memory";
    case 2:
        return "PA_Read_Memory";
    case 4:
        return "PA_Write_Memory";
    default:
        return "Unknown";
    }
}

} // namespace

int32_t cc_getCacheTypeByName(const char *name)
{
    if (name && !strcasecmp(name, types[0].name)) return 0;
    if (name && !strcasecmp(name, types[2].name)) return 2;
    return 1;
}

const char *cc_getCacheNameByType(int32_t type)
{
    return type >= 0 && type <= 2 ? types[type].display : "Unknown";
}

void *cc_CacheContainer_init(const char *name, int32_t type)
{
    if (type < 0 || type > 2) return nullptr;
    const TypeInfo &info = types[type];
    cc_CacheContainer_s *c = QUARN_ZALLOC(1, cc_CacheContainer_s);
    if (!c) return nullptr;
    c->name = REMEMBER_STRING(name ? name : "");
    c->type = type;
    c->display_name = info.display;
    c->line_log2 = 7;
    c->line_size = 128;
    c->entries_log2 = info.entries_log2;
    c->entries = 1 << info.entries_log2;
    c->slice_log2 = info.slice_log2;
    c->slices = 1 << info.slice_log2;
    c->way_log2 = 3;
    c->ways = 8;
    c->set_log2 = c->entries_log2 - c->slice_log2 - c->way_log2;
    c->sets = 1 << c->set_log2;
    c->index_stride = 1ull << (c->set_log2 + c->slice_log2);
    c->hash_terms = 1;
    c->index_mask = info.index_mask;
    c->index_shift = 7;
    c->entry = QUARN_ZALLOC(c->entries, uint64_t);
    if (!c->entry) {
        cc_CacheContainer_free(c);
        return nullptr;
    }
    return c;
}

void cc_CacheContainer_free(cc_CacheContainer_s *c)
{
    if (!c) return;
    if (c->name) FORGET_STRING(c->name);
    QUARN_FREE(c->entry);
    QUARN_FREE(c);
}

void cc_Container_Access(cc_CacheContainer_s *c, uint64_t pa, int kind)
{
    if (!c || !c->entry) return;
    const uint64_t line = pa & ~(uint64_t)(c->line_size - 1);
    const uint64_t index = (pa & c->index_mask) >> c->index_shift;
    for (uint64_t way = index; way < (uint64_t)c->entries; way += c->index_stride) {
        uint64_t &entry = c->entry[way];
        if (entry == 0 || (entry & ~(uint64_t)0x7F) == line) {
            entry |= line | (uint64_t)(kind & 7);
            return;
        }
    }
    sim_error("%s: Code exceeds %s cache limits at physical address: 0x%016lX index=0x%x", kind_text(kind),
              c->display_name, (unsigned long)pa, (unsigned)index);
}

void cc_CheckAccess(IOPDesc *iop, AXD *axd, int mode)
{
    if (!iop || !axd || !iop->thread || !iop->thread->processor) return;
    cc_Container_Access((cc_CacheContainer_s *)iop->thread->processor->cache_container, axd->pa, mode);
}
