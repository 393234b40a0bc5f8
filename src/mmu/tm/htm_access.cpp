// Transactional reads, writes and dcbz: while a thread of the machine is in a transaction the
// physical access paths come here. A thread in T keeps its data in its footprint; threads in S or N
// reach memory, and every access is checked against the footprints for conflicts.
#include <cstring>
#include <vector>

#include "memory/memory_map.h"
#include "mmu/tm/htm_failure.h"
#include "mmu/tm/htm_footprint.h"
#include "mmu/tm/htm_machine.h"
#include "mmu/tm/line_store.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/htm.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/ppc_bits.h"
#include "decode/instr_info.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t SIM_CTRL1_LOAD_RULE = 1ull << 56;
constexpr uint64_t ROW_LOAD_FLAGS = 0x100 | 0x20000;
constexpr uint32_t REASON_DISALLOWED = 3, REASON_OVERFLOW_ON_WRITE = 2;

struct Context {
    ThreadState *thread;
    htm_data *data;
    htm_cache *cache; // null when the thread has no footprint
    bool t, s;
};

Context context_of(IOPDesc *iop)
{
    Context c{};
    c.thread = iop->thread;
    c.data = htm_get_machine_state(c.thread->machine, iop);
    c.cache = htm_thread_cache(c.data, c.thread);
    if (c.cache && !c.cache->main) c.cache = nullptr;
    const uint64_t ts = c.thread->MSR.value & MSR_TS;
    c.t = ts == MSR_TS_TRANSACTIONAL;
    c.s = ts == MSR_TS_SUSPENDED;
    return c;
}

uint32_t extra(const Context &c, uint32_t reason)
{
    return c.data && c.data->texasr_extra_info ? reason : 0;
}

int check(IOPDesc *iop, uint64_t paddr, int kind)
{
    return htm_check_touch_collision(iop, iop->thread->htm_thread_index, paddr, 0, kind);
}

// The access split where it crosses a footprint line: calls visit(paddr, length, offset).
template <typename Visit> void each_piece(const Context &c, uint64_t paddr, uint32_t size, Visit visit)
{
    const uint64_t line = c.data ? c.data->line_size : 128;
    uint32_t offset = 0;
    while (offset < size) {
        const uint64_t at = paddr + offset;
        const uint32_t room = (uint32_t)(line - (at & (line - 1)));
        const uint32_t length = room < size - offset ? room : size - offset;
        visit(at, length, offset);
        offset += length;
    }
}

void to_bytes(uint64_t value, uint32_t size, uint8_t *bytes)
{
    for (uint32_t i = 0; i < size; i++)
        bytes[i] = (uint8_t)(value >> (8 * (size - 1 - i)));
}

uint64_t from_bytes(const uint8_t *bytes, uint32_t size)
{
    if (size != 1 && size != 2 && size != 4 && size != 8) return 0;
    uint64_t value = 0;
    for (uint32_t i = 0; i < size; i++)
        value = value << 8 | bytes[i];
    return value;
}

void mark(cs_CacheStore_s *cs, int32_t line, uint64_t paddr, uint32_t length)
{
    const std::vector<uint8_t> ones(length, 0xFF);
    cs_WritePartial(cs, line, paddr, paddr, ones.data(), length);
    cs_SetState(cs, line, paddr, cs_State_M);
}

bool option(const ThreadState *thread, int number)
{
    return thread->processor && thread->processor->options[number];
}

// Write-through (where the processor knows W), cache-inhibited, or not coherent (where it knows M).
bool disallowed(const ThreadState *thread, const AXD *axd)
{
    if ((axd->wimg & AXD_WIMG_W) && option(thread, PO_SUPPORTS_WIMG_W_BIT)) return true;
    if (axd->wimg & AXD_WIMG_I) return true;
    return !(axd->wimg & AXD_WIMG_M) && option(thread, PO_SUPPORTS_WIMG_M_BIT);
}

// The WIMG bits as letters, "-" for a clear bit.
const char *wimg_text(const AXD *axd, char (&text)[5])
{
    const char letters[] = "WIMG";
    for (int i = 0; i < 4; i++)
        text[i] = (axd->wimg >> (3 - i)) & 1 ? letters[i] : '-';
    text[4] = 0;
    return text;
}

// The bit of the address's 16-byte granule in a line's tag byte.
uint8_t granule_bit(const Context &c, uint64_t paddr)
{
    const uint64_t granule = (paddr & (c.data ? c.data->line_offset_mask : 127)) / 16;
    return granule < 8 ? (uint8_t)(0x80 >> granule) : 0;
}

} // namespace

int HTM_PA_Read_Memory_Reg(IOPDesc *iop, AXD *axd, uint64_t *value)
{
    const Context c = context_of(iop);
    const bool fetch = axd->kind == AXD_KIND_FETCH;
    const uint32_t size = axd->size > 0 && axd->size <= 8 ? (uint32_t)axd->size : 8;
    // A transaction doomed before this access gets no data; the access that dooms it still reads.
    const bool doomed = c.thread->htm_failure_pending != 0;
    if (!fetch && c.t && disallowed(c.thread, axd)) {
        char text[5];
        htm_debug(c.thread, "Thread %s, HTMTID_%08X Transactional Load from unsupported memory type: %s",
                  htm_thread_name(c.thread), c.thread->htm_tid, wimg_text(axd, text));
        htm_record_failure(c.thread, HTM_CAUSE_DISALLOWED, IOP_Current_Address(iop), 1,
                           extra(c, REASON_DISALLOWED), c.thread->MSR.value);
    }
    if (doomed && c.t) return 1;
    const bool rot = (c.thread->TEXASR.value & TEXASR_ROT) != 0;
    const bool load_rule = (c.thread->SIM_CTRL1.value & SIM_CTRL1_LOAD_RULE) && c.t && iop->row &&
                           (iop->row->class_flags & ROW_LOAD_FLAGS) == ROW_LOAD_FLAGS;
    const bool footprint = c.cache && c.t && !fetch && (!rot || load_rule);
    uint8_t bytes[8] = {};
    uint64_t memory = 0;
    if (footprint) {
        // The footprint serves the access; bytes of a line it cannot hold come from memory.
        PA_copy_buffer_directly_from_memory(c.thread->memory_client, axd->pa, bytes, size, 0);
    } else {
        if (!Read_Mapped_Memory_Reg(c.thread->memory_client, axd->pa, (int)size, &memory, 0, 1)) return 0;
        to_bytes(memory, size, bytes);
    }
    bool from_footprint = false;
    each_piece(c, axd->pa, size, [&](uint64_t at, uint32_t length, uint32_t offset) {
        if ((c.t || c.s) && !fetch && c.cache) {
            int32_t state = 0;
            int32_t line = cs_LookupAddr(c.cache->main, at, at, &state);
            if (line < 0 && footprint) line = htm_allocate_fill_new_line(c.thread, at, 0);
            if (line < 0) return;
            if (!htm_stores_agree(c.cache, line, at, "HTM_TRACK_STORED_LOADED_BYTES loads 4",
                                  "HTM_TRACK_STORED_LOADED_BYTES stores 4"))
                return;
            cs_ReadPartial(c.cache->main, line, at, at, bytes + offset, length);
            mark(c.cache->loads, line, at, length);
            from_footprint = true;
            check(iop, at, HTM_TOUCH_LOAD);
        } else {
            check(iop, at, fetch ? HTM_TOUCH_FETCH : HTM_TOUCH_LOAD);
        }
    });
    *value = from_footprint || footprint ? from_bytes(bytes, size) : memory;
    return 1;
}

int HTM_PA_Write_Memory_Reg(IOPDesc *iop, AXD *axd, uint64_t value)
{
    const Context c = context_of(iop);
    const uint32_t size = axd->size > 0 && axd->size <= 8 ? (uint32_t)axd->size : 8;
    if (c.t && disallowed(c.thread, axd)) {
        char text[5];
        htm_debug(c.thread, "Thread %s. HTMTID_%08X Transactional Store to unsupported memory type: %s",
                  htm_thread_name(c.thread), c.thread->htm_tid, wimg_text(axd, text));
        htm_record_failure(c.thread, HTM_CAUSE_DISALLOWED, IOP_Current_Address(iop), 1,
                           extra(c, REASON_DISALLOWED), c.thread->MSR.value);
        return 1;
    }
    if (!c.t || !c.cache) {
        if (!Write_Mapped_Memory_Reg(c.thread->memory_client, axd->pa, (int)size, value, 0)) return 0;
    }
    uint8_t bytes[8];
    to_bytes(value, size, bytes);
    int result = 1;
    bool stop = false;
    each_piece(c, axd->pa, size, [&](uint64_t at, uint32_t length, uint32_t offset) {
        if (stop) return;
        if ((!c.t && !c.s) || !c.cache) {
            result = check(iop, at, HTM_TOUCH_STORE);
            return;
        }
        int32_t state = 0;
        int32_t line = cs_LookupAddr(c.cache->main, at, at, &state);
        if (line >= 0 && c.s) {
            // A suspended-state store to the transaction's own footprint fails it.
            htm_debug(c.thread,
                      "HTM_PA_Write_Memory_Reg: Suspended state Store by Thread %s, HTMTID_%08X to PA: "
                      "0x%016lX was "
                      "touched in Transactional state (%s). Reason: %s",
                      htm_thread_name(c.thread), c.thread->htm_tid, (unsigned long)at,
                      state == cs_State_S ? "READ" : "MODIFIED",
                      htm_exit_reason(state == cs_State_S ? 15 : 16));
            release_cache(c.cache);
            htm_record_failure(c.thread, HTM_CAUSE_SELF_INDUCED, IOP_Current_Address(iop), 1,
                               extra(c, state == cs_State_S ? 15 : 16), c.thread->MSR.value);
            stop = true;
            return;
        }
        if (line >= 0 && state == cs_State_S) {
            if ((uint32_t)c.cache->stored_lines >= c.data->store_line_limit) {
                htm_record_failure(c.thread, HTM_CAUSE_FOOTPRINT_OVERFLOW, IOP_Current_Address(iop), 0,
                                   extra(c, REASON_OVERFLOW_ON_WRITE), c.thread->MSR.value);
                return;
            }
            c.cache->stored_lines++;
            cs_SetState(c.cache->main, line, at, cs_State_M);
        }
        if (line < 0 && c.t) line = htm_allocate_fill_new_line(c.thread, at, 1);
        if (line < 0) {
            result = check(iop, at, HTM_TOUCH_STORE);
            return;
        }
        if (!htm_stores_agree(c.cache, line, at, "HTM_TRACK_STORED_LOADED_BYTES loads 6",
                              "HTM_TRACK_STORED_LOADED_BYTES stores 6"))
            return;
        cs_WritePartial(c.cache->main, line, at, at, bytes + offset, length);
        cs_SetState(c.cache->main, line, at, cs_State_M);
        mark(c.cache->stores, line, at, length);
        result = check(iop, at, HTM_TOUCH_STORE);
    });
    return stop ? 1 : result;
}

int HTM_PA_Clear_Memory_Directly(IOPDesc *iop, AXD *axd, int64_t size)
{
    const Context c = context_of(iop);
    const uint32_t line_size = c.data ? c.data->line_size : 128;
    if (size != (int64_t)line_size) {
        sim_error("HTM_PA_Clear_Memory_Directly : dcbz for %d bytes does not match cache line size: %d",
                  (int)size, (int)line_size);
        return 0;
    }
    const uint64_t block = axd->pa & ~(uint64_t)(line_size - 1);
    if (!c.t) PA_clear_memory_directly(c.thread, block, size, 1);
    if (!c.cache || (!c.t && !c.s)) return check(iop, block, HTM_TOUCH_STORE);
    int32_t state = 0;
    int32_t line = cs_LookupAddr(c.cache->main, block, block, &state);
    const std::vector<uint8_t> zeros(line_size, 0), ones(line_size, 0xFF);
    auto capacity = [&] {
        htm_record_failure(c.thread, HTM_CAUSE_FOOTPRINT_OVERFLOW, IOP_Current_Address(iop), 0,
                           extra(c, REASON_OVERFLOW_ON_WRITE), c.thread->MSR.value);
        return 1;
    };
    if (line >= 0 && !htm_stores_agree(c.cache, line, block, "HTM_TRACK_STORED_LOADED_BYTES loads 98",
                                       "HTM_TRACK_STORED_LOADED_BYTES stores 98"))
        return 0;
    if (line >= 0 && c.s) {
        htm_debug(
            c.thread,
            "HTM_PA_Clear_Memory_Directly: Suspended state Clear (dcbz) by Thread %s, HTMTID_%08X to PA: "
            "0x%016lX was touched in Transactional state (%s).",
            htm_thread_name(c.thread), c.thread->htm_tid, (unsigned long)block,
            state == cs_State_S ? "READ" : "MODIFIED");
        release_cache(c.cache);
        htm_record_failure(c.thread, HTM_CAUSE_SELF_INDUCED, IOP_Current_Address(iop), 1, 0,
                           c.thread->MSR.value);
        return check(iop, block, HTM_TOUCH_STORE);
    }
    if (line < 0 && c.s) return check(iop, block, HTM_TOUCH_STORE);
    const bool needs_slot = line < 0 || state == cs_State_S;
    if (needs_slot && (uint32_t)c.cache->stored_lines >= c.data->store_line_limit) return capacity();
    int32_t tag_state = cs_State_M;
    if (line < 0) {
        line = cs_SelectNewLine(c.cache->main, block, block, 0, &state);
        if (line < 0 || state != cs_State_Invalid) {
            htm_debug(
                c.thread,
                "HTM_PA_Clear_Memory_Directly: No free cache lines for T: %s, HTMTID_%08X. Marking xaction "
                "aborted",
                htm_thread_name(c.thread), c.thread->htm_tid);
            return capacity();
        }
        const struct {
            cs_CacheStore_s *store;
            const char *text;
        } others[] = {{c.cache->loads, "HTM_TRACK_STORED_LOADED_BYTES loads 97"},
                      {c.cache->stores, "HTM_TRACK_STORED_LOADED_BYTES stores 97"},
                      {c.cache->tags, "HTM_TRACK_STORED_LOADED_BYTES tags 97"}};
        for (const auto &other : others) {
            int32_t other_state = 0;
            if (cs_SelectNewLine(other.store, block, block, 0, &other_state) != line) {
                sim_error("%s", other.text);
                return 0;
            }
        }
        c.cache->used_lines++;
        tag_state = cs_State_S;
    }
    if (needs_slot) c.cache->stored_lines++;
    cs_LoadLine(c.cache->main, line, block, block, zeros.data(), cs_State_M);
    cs_LoadLine(c.cache->loads, line, block, block, zeros.data(), cs_State_S);
    cs_LoadLine(c.cache->stores, line, block, block, ones.data(), cs_State_M);
    cs_LoadLine(c.cache->tags, line, block, block, zeros.data(), tag_state);
    return check(iop, block, HTM_TOUCH_STORE);
}

int HTM_PA_Read_Memory_TAG(ThreadState *thread, uint64_t address, int *tag)
{
    if (!thread || !thread->machine) return 0;
    const uint64_t ts = thread->MSR.value & MSR_TS;
    if (ts != MSR_TS_TRANSACTIONAL && ts != MSR_TS_SUSPENDED) return 0;
    Context c{};
    c.thread = thread;
    c.data = htm_get_machine_state(thread->machine);
    c.cache = htm_thread_cache(c.data, thread);
    if (!c.cache || !c.cache->main) return 0;
    int32_t state = 0;
    const int32_t line = cs_LookupAddr(c.cache->tags, address, address, &state);
    if (line < 0) return 0;
    uint8_t byte = 0;
    const uint64_t block = address & ~c.data->line_offset_mask;
    cs_ReadPartial(c.cache->tags, line, block, block, &byte, 1);
    if (tag) *tag = (byte & granule_bit(c, address)) ? 1 : 0;
    return 1;
}

int HTM_PA_Write_Memory_TAG(IOPDesc *iop, AXD *axd, int tag)
{
    const Context c = context_of(iop);
    if (!c.t || !c.cache || c.thread->htm_failure_pending) return 0;
    int32_t state = 0;
    int32_t line = cs_LookupAddr(c.cache->main, axd->pa, axd->pa, &state);
    if (line < 0) line = htm_allocate_fill_new_line(c.thread, axd->pa, 1);
    if (line < 0) return 1;
    const uint64_t block = axd->pa & ~c.data->line_offset_mask;
    uint8_t byte = 0;
    cs_ReadPartial(c.cache->tags, line, block, block, &byte, 1);
    const uint8_t bit = granule_bit(c, axd->pa);
    byte = (tag & 0xFF) ? (uint8_t)(byte | bit) : (uint8_t)(byte & ~bit);
    cs_WritePartial(c.cache->tags, line, block, block, &byte, 1);
    return 1;
}
