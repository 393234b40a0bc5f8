// The hardware-assisted dirty-address table: recording stores, draining entries into the table in
// guest memory, and the table walk.
#include "mmu/ha_dirty_tracking.h"

#include "mmu/data_path_hooks.h"
#include "mmu/ha_dirty_table.h"
#include "mmu/physical_access.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/hmi.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "processor/spr/scom_blocks.h"
#include "processor/spr/spr_moves.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

// EX SCOM registers by number (SCOM addresses 0x818 to 0x81C).
enum : int { REG_BASE = 0, REG_SEGMENT_C = 1, REG_SEGMENT_A = 2, REG_SEGMENT_CURRENT = 3, REG_CONFIG = 4 };

constexpr uint64_t LINE_ENTRY = 8, END_MARKER = 4;
constexpr uint64_t SEGMENT_STEP = 1ULL << 59;
constexpr uint64_t PHASE_BIT = 0x10;
constexpr uint64_t HID0_FOUR_SLOTS = 0x2000000000000000ULL, HID0_DOUBLE_SLOTS = 0x0200000000000000ULL;
constexpr uint32_t SEGMENTS = 32;

uint64_t *ex_regs(ThreadState *thread)
{
    ProcessorState *core = thread ? thread->processor : nullptr;
    return core && core->ex_scom_regs ? core->ex_scom_regs->regs : nullptr;
}

uint64_t segment_of(uint64_t reg)
{
    return reg >> 59;
}

ha_dirty_table_entry_s *new_entry(ThreadState *thread, uint64_t word)
{
    ha_dirty_table_entry_s *entry = QUARN_ZALLOC(1, ha_dirty_table_entry_s);
    entry->thread = thread;
    entry->word = word;
    return entry;
}

// The table write of a flush is the thread's own bookkeeping: it is neither recorded nor drains
// the list that is being walked.
bool flushing(const ThreadState *thread)
{
    return thread->ha_table_address != 0;
}

} // namespace

void ha_insert_dirty_address(ha_dirty_table_entry_s **head, ha_dirty_table_entry_s *entry)
{
    ha_dirty_table_entry_s *found = ha_find_entry(*head, entry->word);
    if (!found) {
        ha_dirty_table_entry_s **link = head;
        while (*link)
            link = &(*link)->next;
        *link = entry;
        return;
    }
    if (found->thread && entry->thread && found->thread->processor == entry->thread->processor) {
        found->word |= entry->word;
    } else {
        ha_flush_entry(found, 1);
        found->thread = entry->thread;
        found->word = entry->word;
    }
    QUARN_FREE(entry);
}

void ha_add_dirty_address(ThreadState *thread, AXD *axd)
{
    if (!thread || !thread->mcm || flushing(thread)) return;
    if (thread->ha_flush_pending) {
        sim_error("Table walk while HID5 has HA Enabled.  Not creating entry for store to 0x%016lX",
                  (unsigned long)axd->pa);
        return;
    }
    const uint64_t lpidr = tGUESS_LPIDR(thread, 0);
    ha_dirty_table_entry_s *entry =
        new_entry(thread, lpidr << 52 | (axd->pa & HA_LINE_ADDRESS_MASK) | LINE_ENTRY);
    ha_insert_dirty_address(&thread->mcm->ha_dirty_table, entry);
}

void ha_read_address(ThreadState *thread, AXD *axd)
{
    if (!thread || !thread->mcm || flushing(thread)) return;
    ha_dirty_table_entry_s *entry = ha_find_entry(thread->mcm->ha_dirty_table, axd->pa);
    if (!entry || entry->thread == thread) return;
    ha_flush_entry(entry, 1);
    ha_delete_entry(&thread->mcm->ha_dirty_table, entry);
}

void ha_flush_entry(ha_dirty_table_entry_s *entry, int check_full)
{
    ThreadState *thread = entry ? entry->thread : nullptr;
    uint64_t *regs = ex_regs(thread);
    if (!regs) return;
    ProcessorState *core = thread->processor;
    entry->busy = 1;
    uint64_t &status = regs[EX_SCOM_HA_STAT];
    const int32_t chip = thread->mcm ? thread->mcm->number : 0;
    if (chip < 0 || chip > 63 || !(regs[REG_CONFIG] & (0x8000000000000000ULL >> chip))) {
        status |= HA_STAT_NOT_ENABLED;
        entry->busy = 0;
        return;
    }
    const uint64_t size_code = (regs[REG_CONFIG] >> 53) & 7;
    if (size_code > 4) {
        status |= HA_STAT_ERROR;
        entry->busy = 0;
        return;
    }
    const uint64_t segment_size = 0x8000ULL << size_code;
    const uint64_t base = ha_dirty_addr_table_bar(core);
    if (base & (SEGMENTS * segment_size - 1)) status |= HA_STAT_ERROR;
    const uint64_t address =
        base + core->ha_write_offset + segment_size * segment_of(regs[REG_SEGMENT_CURRENT]);

    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    AXD axd = INITIAL_AXD;
    axd.ea = address;
    axd.pa = address;
    axd.size = 8;
    thread->ha_table_address = address;
    const uint32_t result = PA_Write_Memory_Effect(&iop, entry->word | core->ha_phase, &axd, 0);
    thread->ha_table_address = 0;
    if (result != 0) status |= HA_STAT_ERROR;

    core->ha_write_offset += 8;
    if (core->ha_write_offset >= segment_size) {
        core->ha_write_offset = 0;
        regs[REG_SEGMENT_CURRENT] += SEGMENT_STEP;
        if (regs[REG_SEGMENT_CURRENT] == 0) core->ha_phase ^= PHASE_BIT;
    }
    if (check_full) {
        const uint64_t a = segment_of(regs[REG_SEGMENT_A]), c = segment_of(regs[REG_SEGMENT_C]);
        const uint64_t current = segment_of(regs[REG_SEGMENT_CURRENT]);
        const uint64_t limit = (a < current ? a + SEGMENTS : a) - c;
        if (current >= limit) interrupt_HMI(nullptr, thread);
    }
    entry->busy = 0;
}

void ha_walk(IOPDesc *iop)
{
    ThreadState *thread = iop ? iop->thread : nullptr;
    ProcessorState *core = thread ? thread->processor : nullptr;
    if (!core || !thread->mcm) return;
    ha_dirty_table_entry_s **head = &thread->mcm->ha_dirty_table;
    for (ha_dirty_table_entry_s *entry = *head; entry; entry = entry->next) {
        if (entry->thread && entry->thread->processor == core && entry->thread->ha_flush_pending) {
            ha_flush_entry(entry, 0);
            ha_delete_entry(head, entry);
            return; // one entry per step
        }
    }

    // Nothing of this processor left: the end marker names the walking threads and their
    // partitions. Entries of other processors stay for their own walks.
    uint64_t word = END_MARKER;
    for (uint32_t i = 0; core->threads && i < core->num_threads && i / 2 < 4; i++) {
        ThreadState *walker = &core->threads[i];
        if (!walker->ha_flush_pending) continue;
        word |= 0x8000ULL >> (i / 2);
        word |= ((uint64_t)tGUESS_LPIDR(walker, 0) & 0xFFF) << (52 - 12 * (i / 2));
    }
    ha_dirty_table_entry_s marker{};
    marker.thread = thread;
    marker.word = word;
    ha_flush_entry(&marker, 0);

    if (uint64_t *regs = ex_regs(thread)) {
        uint64_t bits = HA_STAT_WALK_COMPLETE;
        if (core->options[PO_GLENT_EN_4_LPAR_SYSTEM]) {
            const uint64_t hid0 = COOKED_GET_HID0(thread, 0);
            const uint64_t b = 0x8000000000000000ULL >> SPR_Partition_Slot(thread);
            if (hid0 & HID0_FOUR_SLOTS)
                bits = b;
            else if (hid0 & HID0_DOUBLE_SLOTS)
                bits = b | b >> 1;
            else
                bits = b | b >> 1 | b >> 2 | b >> 3;
        }
        regs[EX_SCOM_HA_STAT] |= bits;
    }
    for (uint32_t i = 0; core->threads && i < core->num_threads; i++)
        core->threads[i].ha_flush_pending = 0;
}
