// A thread's transactional footprint: line fill, conflicts, commit and release.
#include "mmu/tm/htm_footprint.h"

#include <cstdio>
#include <vector>

#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/memory_tags.h"
#include "mmu/tm/htm_failure.h"
#include "mmu/tm/htm_machine.h"
#include "mmu/tm/line_store.h"
#include "processor/hooks/htm.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/ppc_bits.h"
#include "runtime/message.h"

namespace
{

constexpr int32_t REPLACEMENT_INSERTION_ORDER = 1;
constexpr uint32_t REASON_OVERFLOW_ON_READ = 1, REASON_OVERFLOW_ON_WRITE = 2, REASON_STORE_HIT_STORE = 6,
                   REASON_GLENT_OVERFLOW = 24;
constexpr uint64_t SIM_CTRL1_GLENT_CAPACITY = 1ull << 59;
constexpr uint64_t GLENT_NARROW_BITS = 0x180, GLENT_WIDE_BITS = 0xFF80; // address bits 7-8, 7-15
constexpr int32_t GLENT_NARROW_LIMIT = 16, GLENT_WIDE_LIMIT = 8;
constexpr uint32_t TAG_GRANULE = 16;

// The access word of a conflict's debug line, by touch kind.
constexpr const char *TOUCH_WORDS[] = {"Store", "Load", "DCBF", "DCBI", "DCBST"};

const char *touch_word(int kind)
{
    return kind >= 0 && kind < (int)(sizeof TOUCH_WORDS / sizeof *TOUCH_WORDS) ? TOUCH_WORDS[kind] : "";
}

const char *state_word(int32_t state)
{
    return state == cs_State_M ? "MODIFIED" : "READ";
}

MapList *map_list_of(MCM *chip)
{
    return chip && chip->mbus && chip->mbus->memory_map ? chip->mbus->memory_map->map_list : nullptr;
}

// With distributed SMP a chip sees only its own memory: the holder's footprint matters only when
// the address reaches the same device from both chips.
bool same_device(GenericMachine *machine, MCM *holder_chip, MCM *toucher_chip, uint64_t paddr)
{
    if (!machine || !machine->distributed_smp) return true;
    MapListElement *held = MapList_SearchByAddr(map_list_of(holder_chip), paddr);
    if (!held) return false;
    MapListElement *touched = MapList_SearchByAddr(map_list_of(toucher_chip), paddr);
    return touched && touched->instance == held->instance;
}

// The tag byte of a line: one bit per 16-byte granule, the first granule in the highest used bit.
uint8_t line_tag_byte(ThreadState *thread, uint64_t block, uint32_t line_size)
{
    uint32_t byte = 0;
    for (uint32_t offset = 0; offset < line_size && offset < 8 * TAG_GRANULE; offset += TAG_GRANULE)
        byte = byte << 1 | (PA_Read_Memory_Tag_Raw(thread, block + offset) ? 1u : 0u);
    return (uint8_t)byte;
}

// The commit-time check of one store's line: valid, and holding the main line's address.
bool line_matches(const cs_CacheStore_s *cs, int32_t line, uint64_t paddr, const char *state_text,
                  const char *paddr_text)
{
    uint64_t held = 0;
    if (cs_GetLineInfo(cs, line, &held) == cs_State_Invalid) {
        sim_error("%s", state_text);
        return false;
    }
    if (held != paddr) {
        sim_error("%s", paddr_text);
        return false;
    }
    return true;
}

uint64_t ts_of(const ThreadState *thread)
{
    return thread->MSR.value & MSR_TS;
}

uint32_t extra(const htm_data *data, uint32_t reason)
{
    return data && data->texasr_extra_info ? reason : 0;
}

void capacity_failure(ThreadState *thread, htm_data *data, uint32_t reason)
{
    htm_record_failure(thread, HTM_CAUSE_FOOTPRINT_OVERFLOW, thread->PC.value, 0, extra(data, reason),
                       thread->MSR.value);
}

void drop_line(htm_cache *cache, int32_t line, uint64_t paddr)
{
    for (cs_CacheStore_s *cs : {cache->main, cache->tags, cache->loads, cache->stores})
        cs_AbandonLine(cs, line, paddr, nullptr, cs_State_Invalid);
    cache->used_lines--;
}

void empty(htm_cache *cache, IOPDesc *iop)
{
    if (!cache->main) return;
    const uint32_t count = cs_GetLineCount(cache->main);
    std::vector<uint8_t> bytes(cs_GetLineSize(cache->main));
    for (uint32_t i = 0; i < count; i++) {
        uint64_t paddr = 0;
        const int32_t state = cs_GetLineInfo(cache->main, (int32_t)i, &paddr);
        if (state == cs_State_Invalid) continue;
        if (iop) {
            line_matches(cache->loads, (int32_t)i, paddr, "HTM_TRACK_STORED_LOADED_BYTES loads 2",
                         "HTM_TRACK_STORED_LOADED_BYTES loads/paddr 2");
            line_matches(cache->stores, (int32_t)i, paddr, "HTM_TRACK_STORED_LOADED_BYTES stores 2",
                         "HTM_TRACK_STORED_LOADED_BYTES stores/paddr 2");
            line_matches(cache->tags, (int32_t)i, paddr, "HTM_TRACK_STORED_LOADED_BYTES tags 2",
                         "HTM_TRACK_STORED_LOADED_BYTES stores/paddr tags 2");
        }
        record_htm_cache_line_for_undo(cache->thread, (int32_t)i, paddr, cache->main);
        if (iop && state == cs_State_M && cache->thread->memory_client) {
            cs_UnLoadLine(cache->main, (int32_t)i, paddr, bytes.data());
            PA_copy_buffer_directly_to_memory(cache->thread->memory_client, paddr, bytes.data(),
                                              (int64_t)bytes.size(), 0);
        }
        drop_line(cache, (int32_t)i, paddr);
    }
    if (cache->used_lines != 0 && iop)
        sim_warning(1, "commit_user_cache: used_lines %d after commit for T: %s!", cache->used_lines,
                    htm_thread_name(cache->thread));
    else if (cache->used_lines != 0)
        sim_warning(1, "release_cache: used_lines %d after release for T: %s, HTMTID_%08X!",
                    cache->used_lines, htm_thread_name(cache->thread),
                    cache->thread ? cache->thread->htm_tid : 0);
    cache->used_lines = 0;
    cache->stored_lines = 0;
}

} // namespace

void htm_cache_create_stores(htm_data *data, htm_cache *cache)
{
    if (cache->main) return;
    const int32_t size_log2 = data->line_size_log2 + data->lines_log2;
    char name[32];
    cs_CacheStore_s **stores[] = {&cache->loads, &cache->stores, &cache->main, &cache->tags};
    const char *formats[] = {"htm-%03d-loads", "htm-%03d-stores", "htm-%03d", "htm-%03d-tags"};
    for (int k = 0; k < 4; k++) {
        snprintf(name, sizeof name, formats[k], cache->thread_index);
        *stores[k] = cs_CacheStore_init(name, 1, size_log2, data->line_size_log2, data->set_size_log2, 1,
                                        REPLACEMENT_INSERTION_ORDER);
    }
    if (!cache->main || !cache->tags || !cache->loads || !cache->stores) htm_cache_destroy_stores(cache);
}

void htm_cache_destroy_stores(htm_cache *cache)
{
    for (cs_CacheStore_s **cs : {&cache->main, &cache->tags, &cache->loads, &cache->stores}) {
        if (*cs) cs_CacheStore_FREE(*cs);
        *cs = nullptr;
    }
}

bool htm_stores_agree(const htm_cache *cache, int32_t line, uint64_t paddr, const char *loads_text,
                      const char *stores_text, const char *tags_text)
{
    int32_t state = 0;
    if (cs_LookupAddr(cache->loads, paddr, paddr, &state) != line) {
        sim_error("%s", loads_text);
        return false;
    }
    if (cs_LookupAddr(cache->stores, paddr, paddr, &state) != line) {
        sim_error("%s", stores_text);
        return false;
    }
    if (tags_text && cs_LookupAddr(cache->tags, paddr, paddr, &state) != line) {
        sim_error("%s", tags_text);
        return false;
    }
    return true;
}

__attribute__((weak)) void record_htm_cache_line_for_undo(ThreadState *, int32_t, uint64_t, cs_CacheStore_s *)
{
}

int HTM_GLENT_CACHE_OVERFLOW(ThreadState *thread, cs_CacheStore_s *main, uint64_t line_address)
{
    if (!(thread->SIM_CTRL1.value & SIM_CTRL1_GLENT_CAPACITY)) return 0;
    const bool rot = (thread->TEXASR.value & TEXASR_ROT) != 0;
    int32_t narrow = 0, wide = 0;
    const uint32_t count = cs_GetLineCount(main);
    for (uint32_t i = 0; i < count; i++) {
        uint64_t paddr = 0;
        const int32_t state = cs_GetLineInfo(main, (int32_t)i, &paddr);
        if (state != cs_State_M && (state != cs_State_S || rot)) continue;
        if ((paddr & GLENT_NARROW_BITS) == (line_address & GLENT_NARROW_BITS) &&
            ++narrow >= GLENT_NARROW_LIMIT) {
            htm_debug(
                thread,
                "HTM_GLENT_CACHE_OVERFLOW: more than 16 lines in TM cache with PA[55:56] the same for T: %s, "
                "HTMTID_%08X PA:0x%016lX. ",
                htm_thread_name(thread), thread->htm_tid, (unsigned long)line_address);
            return 1;
        }
        if ((paddr & GLENT_WIDE_BITS) == (line_address & GLENT_WIDE_BITS) && ++wide >= GLENT_WIDE_LIMIT) {
            htm_debug(
                thread,
                "HTM_GLENT_CACHE_OVERFLOW: more than 8 lines in TM cache with PA[48:56] the same for T: %s, "
                "HTMTID_%08X PA:0x%016lX. ",
                htm_thread_name(thread), thread->htm_tid, (unsigned long)line_address);
            return 1;
        }
    }
    return 0;
}

int32_t htm_allocate_fill_new_line(ThreadState *thread, uint64_t paddr, int is_store)
{
    htm_data *data = htm_get_machine_state(thread->machine);
    htm_cache *cache = htm_thread_cache(data, thread);
    if (!cache || !cache->main) return -1;
    const uint64_t block = paddr & ~data->line_offset_mask;
    if (HTM_GLENT_CACHE_OVERFLOW(thread, cache->main, block)) {
        htm_debug(
            thread,
            "htm_allocate_fill_new_line: exceeded Glent cache capacity: T: %s, HTMTID_%08X. Marking xaction "
            "aborted",
            htm_thread_name(thread), thread->htm_tid);
        capacity_failure(thread, data, REASON_GLENT_OVERFLOW);
        return -1;
    }
    if (is_store && (uint32_t)cache->stored_lines >= data->store_line_limit) {
        capacity_failure(thread, data, REASON_OVERFLOW_ON_WRITE);
        return -1;
    }
    int32_t state = 0;
    const int32_t line = cs_SelectNewLine(cache->main, block, block, 0, &state);
    if (line < 0 || state != cs_State_Invalid) {
        htm_debug(
            thread,
            "htm_allocate_fill_new_line: No free cache lines for T: %s, HTMTID_%08X. Marking xaction aborted",
            htm_thread_name(thread), thread->htm_tid);
        capacity_failure(thread, data, REASON_OVERFLOW_ON_READ);
        return -1;
    }
    const struct {
        cs_CacheStore_s *store;
        const char *text;
    } others[] = {{cache->loads, "HTM_TRACK_STORED_LOADED_BYTES loads 5"},
                  {cache->stores, "HTM_TRACK_STORED_LOADED_BYTES stores 5"},
                  {cache->tags, "HTM_TRACK_STORED_LOADED_BYTES tags 5"}};
    for (const auto &other : others) {
        int32_t other_state = 0;
        if (cs_SelectNewLine(other.store, block, block, 0, &other_state) != line) {
            sim_error("%s", other.text);
            return -1;
        }
    }
    std::vector<uint8_t> bytes(data->line_size);
    if (thread->memory_client)
        PA_copy_buffer_directly_from_memory(thread->memory_client, block, bytes.data(), (int64_t)bytes.size(),
                                            0);
    std::vector<uint8_t> zeros(data->line_size, 0), tags(data->line_size, 0);
    tags[0] = line_tag_byte(thread, block, data->line_size);
    cs_LoadLine(cache->main, line, block, block, bytes.data(), is_store ? cs_State_M : cs_State_S);
    cs_LoadLine(cache->loads, line, block, block, zeros.data(), is_store ? cs_State_S : cs_State_M);
    cs_LoadLine(cache->stores, line, block, block, zeros.data(), is_store ? cs_State_M : cs_State_S);
    cs_LoadLine(cache->tags, line, block, block, tags.data(), is_store ? cs_State_M : cs_State_S);
    cache->used_lines++;
    if (is_store) cache->stored_lines++;
    return line;
}

int htm_check_touch_collision(IOPDesc *iop, int32_t, uint64_t paddr, int, int kind)
{
    ThreadState *toucher = iop->thread;
    htm_data *data = htm_get_machine_state(toucher->machine);
    if (!data) return 1;
    const uint64_t tts = ts_of(toucher);
    const bool toucher_t = tts == MSR_TS_TRANSACTIONAL, toucher_s = tts == MSR_TS_SUSPENDED;
    int result = 1;
    for (int32_t i = 0; i < data->thread_count; i++) {
        htm_cache *holder_cache = &data->caches[i];
        ThreadState *holder = holder_cache->thread;
        if (!holder || holder_cache->used_lines <= 0 || !holder_cache->main) continue;
        const bool self = holder == toucher;
        if (self) {
            const bool examined =
                (toucher_t && kind >= HTM_TOUCH_FETCH) ||
                (toucher_s && (kind == HTM_TOUCH_STORE || kind == HTM_TOUCH_FETCH || kind == HTM_TOUCH_DCBF ||
                               kind == HTM_TOUCH_DCBI || kind == HTM_TOUCH_PBT));
            if (!examined) continue;
        }
        if (!self && !same_device(toucher->machine, holder->mcm, toucher->mcm, paddr)) continue;
        int32_t s = 0;
        const int32_t line = cs_LookupAddr(holder_cache->main, paddr, paddr, &s);
        if (line < 0) continue;
        if (!htm_stores_agree(holder_cache, line, paddr, "HTM_TRACK_STORED_LOADED_BYTES loads 3",
                              "HTM_TRACK_STORED_LOADED_BYTES stores 3"))
            continue;
        if ((kind == HTM_TOUCH_LOAD || kind == HTM_TOUCH_FETCH) && s != cs_State_M) continue;
        if (kind == HTM_TOUCH_DCBF && ((iop->word >> 21) & 3) == 3) continue;
        if (kind == HTM_TOUCH_PBT && !(toucher_s && self && s == cs_State_M)) continue;

        const uint64_t hts = ts_of(holder);
        ThreadState *victim = holder;
        if (!self && toucher_t && (hts == MSR_TS_TRANSACTIONAL || hts == MSR_TS_SUSPENDED)) {
            const int32_t w = toucher->htm_priority, h = holder->htm_priority;
            if (w == 1 && h == 0)
                victim = holder;
            else if (s == cs_State_M)
                victim = toucher;
            else if (kind == HTM_TOUCH_STORE && w == 0 && h == 1)
                victim = toucher;
        }
        uint32_t reason = 0;
        switch (kind) {
        case HTM_TOUCH_STORE:
            reason = self ? 16 : toucher_t ? 9 : 6;
            break;
        case HTM_TOUCH_LOAD:
            reason = toucher_t ? 10 : 7;
            break;
        case HTM_TOUCH_FETCH:
            reason = self ? 17 : 18;
            break;
        case HTM_TOUCH_PBT:
            reason = 19;
            break;
        default:
            reason = self ? (s == cs_State_M ? 11 : 12) : (s == cs_State_M ? 13 : 14);
            break;
        }
        reason = extra(data, reason);
        const uint64_t address = IOP_Current_Address(iop);
        const bool victim_is_toucher = victim == toucher;
        int32_t cause;
        if (kind == HTM_TOUCH_FETCH)
            cause = HTM_CAUSE_FETCH_CONFLICT;
        else if (self)
            cause = HTM_CAUSE_SELF_INDUCED;
        else if (toucher_t)
            cause = HTM_CAUSE_CONFLICT_TRANSACTIONAL;
        else
            cause = HTM_CAUSE_CONFLICT_NON_TRANSACTIONAL;
        htm_debug(toucher,
                  "htm_check_touch_collision: Thread %s, HTMTID_%08X, %s PA: 0x%016lX aborting xaction of "
                  "Thread %s, HTMTID_%08X who had line in %s mode. Reason: %s",
                  htm_thread_name(toucher), toucher->htm_tid, touch_word(kind), (unsigned long)paddr,
                  htm_thread_name(victim), victim->htm_tid, state_word(s), htm_exit_reason(reason));
        if (victim_is_toucher)
            htm_record_failure(victim, cause, address, 1, reason, victim->MSR.value);
        else
            htm_record_failure(victim, cause, victim->PC.value, 0, reason, victim->MSR.value);
        if (victim_is_toucher) result = 0;
    }
    return result;
}

void htm_check_store_collision_external(MemoryClient *agent, uint64_t paddr)
{
    if (!agent || !agent->machine) return;
    htm_data *data = htm_get_machine_state(agent->machine);
    if (!data || !data->caches) return;
    for (int32_t i = 0; i < data->thread_count; i++) {
        htm_cache *cache = &data->caches[i];
        ThreadState *holder = cache->thread;
        if (!holder || cache->used_lines <= 0 || !cache->main) continue;
        if (!same_device(agent->machine, holder->mcm, agent->mcm, paddr)) continue;
        int32_t s = 0;
        if (cs_LookupAddr(cache->main, paddr, paddr, &s) < 0) continue;
        const uint32_t reason = extra(data, REASON_STORE_HIT_STORE);
        htm_debug(
            holder,
            "htm_check_store_collision_external: External, HTM_TOUCH_STORE, PA: 0x%016lX aborting xaction of "
            "Thread %s, HTMTID_%08X who had line in %s mode. Reason: %s",
            (unsigned long)paddr, htm_thread_name(holder), holder->htm_tid, state_word(s),
            "non-transactional store hit my store");
        htm_record_failure(holder, HTM_CAUSE_CONFLICT_NON_TRANSACTIONAL, holder->PC.value, 0, reason,
                           holder->MSR.value);
    }
}

int Is_PA_To_HTM_Store_Footprint(IOPDesc *iop, uint64_t paddr)
{
    ThreadState *thread = iop->thread;
    const uint64_t ts = ts_of(thread);
    if (ts != MSR_TS_TRANSACTIONAL && ts != MSR_TS_SUSPENDED) return 0;
    htm_cache *cache = htm_thread_cache(htm_get_machine_state(thread->machine), thread);
    if (!cache || !cache->main) return 0;
    int32_t state = 0;
    return cs_LookupAddr(cache->main, paddr, paddr, &state) >= 0 && state == cs_State_M;
}

void commit_user_cache(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    htm_cache *cache = htm_thread_cache(htm_get_machine_state(thread->machine), thread);
    if (cache) empty(cache, iop);
}

void release_cache(htm_cache *cache)
{
    if (cache) empty(cache, nullptr);
}
