// A thread's transactional footprint: line fill, conflicts, commit and release.
#include "mmu/tm/htm_footprint.h"

#include <cstdio>
#include <vector>

#include "memory/memory_map.h"
#include "mmu/tm/htm_failure.h"
#include "mmu/tm/htm_machine.h"
#include "mmu/tm/line_store.h"
#include "processor/hooks/htm.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/ppc_bits.h"
#include "runtime/message.h"

namespace
{

constexpr int32_t REPLACEMENT_INSERTION_ORDER = 1;
constexpr uint32_t REASON_OVERFLOW_ON_READ = 1, REASON_OVERFLOW_ON_WRITE = 2;

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

void empty(htm_cache *cache, IOPDesc *iop, const char *what)
{
    if (!cache->main) return;
    const uint32_t count = cs_GetLineCount(cache->main);
    std::vector<uint8_t> bytes(cs_GetLineSize(cache->main));
    for (uint32_t i = 0; i < count; i++) {
        uint64_t paddr = 0;
        const int32_t state = cs_GetLineInfo(cache->main, (int32_t)i, &paddr);
        if (state == cs_State_Invalid) continue;
        if (iop && state == cs_State_M && cache->thread->memory_client) {
            cs_UnLoadLine(cache->main, (int32_t)i, paddr, bytes.data());
            PA_copy_buffer_directly_to_memory(cache->thread->memory_client, paddr, bytes.data(),
                                              (int64_t)bytes.size(), 0);
        }
        drop_line(cache, (int32_t)i, paddr);
    }
    if (cache->used_lines != 0)
        sim_warning(1, "%s: used_lines %d after %s for T: %s!", iop ? "commit_user_cache" : "release_cache",
                    cache->used_lines, what, htm_thread_name(cache->thread));
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

int32_t htm_allocate_fill_new_line(ThreadState *thread, uint64_t paddr, int is_store)
{
    htm_data *data = htm_get_machine_state(thread->machine);
    htm_cache *cache = htm_thread_cache(data, thread);
    if (!cache || !cache->main) return -1;
    const uint64_t block = paddr & ~data->line_offset_mask;
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
    std::vector<uint8_t> bytes(data->line_size);
    if (thread->memory_client)
        PA_copy_buffer_directly_from_memory(thread->memory_client, block, bytes.data(), (int64_t)bytes.size(),
                                            0);
    std::vector<uint8_t> zeros(data->line_size, 0);
    cs_LoadLine(cache->main, line, block, block, bytes.data(), is_store ? cs_State_M : cs_State_S);
    cs_LoadLine(cache->loads, line, block, block, zeros.data(), is_store ? cs_State_S : cs_State_M);
    cs_LoadLine(cache->stores, line, block, block, zeros.data(), is_store ? cs_State_M : cs_State_S);
    cs_LoadLine(cache->tags, line, block, block, zeros.data(), is_store ? cs_State_M : cs_State_S);
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
        int32_t s = 0;
        if (cs_LookupAddr(holder_cache->main, paddr, paddr, &s) < 0) continue;
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
                  "htm_check_touch_collision: Thread %s, HTMTID_%08X, PA: 0x%016lX aborting xaction of "
                  "Thread %s, HTMTID_%08X who had line in %s mode. Reason: %s",
                  htm_thread_name(toucher), toucher->htm_tid, (unsigned long)paddr, htm_thread_name(victim),
                  victim->htm_tid, s == cs_State_M ? "MODIFIED" : "READ", htm_exit_reason(reason));
        if (victim_is_toucher)
            htm_record_failure(victim, cause, address, 1, reason, victim->MSR.value);
        else
            htm_record_failure(victim, cause, victim->PC.value, 0, reason, victim->MSR.value);
        if (victim_is_toucher) result = 0;
    }
    return result;
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
    if (cache) empty(cache, iop, "commit");
}

void release_cache(htm_cache *cache)
{
    if (cache) empty(cache, nullptr, "release");
}
