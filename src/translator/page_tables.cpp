// Translated-page tables: frames by host page, their flushes and the machine-wide drops.
#include "translator/page_tables.h"

#include "exec/hooks/translator_triggers.h"

#include <sched.h>
#include <sys/mman.h>

#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/run/modes.h"
#include "runtime/message.h"
#include "runtime/utils_mmap.h"
#include "translator/emat.h"
#include "translator/frame.h"

int64_t turbo_xlate_flushes = 0;

namespace
{

constexpr uint64_t PAGE_MASK = ~0xFFFull;

inline uint32_t chain_of(uint64_t host)
{
    return (uint32_t)((host >> 12) & (IPT_CHAINS - 1));
}

bool parallel_mode(ipt *table)
{
    MCM *chip = table->chip;
    return chip && chip->machine && chip->machine->mode == MODE_PTURBO;
}

// A chain's lock, taken only while the machine runs in PTURBO mode.
class ChainLock
{
  public:
    ChainLock(ipt *table, uint32_t chain) : word_(parallel_mode(table) ? &table->locks[chain] : nullptr)
    {
        if (!word_) return;
        int32_t free = 0;
        while (!__atomic_compare_exchange_n(word_, &free, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
            free = 0;
            sched_yield();
        }
    }
    ~ChainLock()
    {
        if (word_) __atomic_store_n(word_, 0, __ATOMIC_RELEASE);
    }
    ChainLock(const ChainLock &) = delete;
    ChainLock &operator=(const ChainLock &) = delete;

  private:
    volatile int32_t *word_;
};

MemoryMap *chip_memory_map(MCM *chip)
{
    return chip && chip->mbus ? chip->mbus->memory_map : nullptr;
}

int32_t flush_machine(GenericMachine *machine, int (*predicate)(frame_s *))
{
    if (!machine) return 0;
    for (uint32_t i = 0; i < machine->num_mcms; i++) {
        MemoryMap *memory = chip_memory_map(GenericMachine__GetMCM(machine, (int32_t)i));
        if (memory) ipt_xflush_frames(memory->page_table, predicate);
    }
    return (int32_t)machine->num_mcms;
}

} // namespace

ipt *ipt_new(MCM *chip)
{
    // Zero-filled: every chain empty and every lock free without touching the pages.
    auto *table = static_cast<ipt *>(utils_mmap("ipt_new", sizeof(ipt), PROT_READ | PROT_WRITE, 1, nullptr));
    if (table) table->chip = chip;
    return table;
}

void ipt_free(ipt *table)
{
    if (!table) return;
    ipt_remove_frames(table);
    utils_unmap(table, sizeof(ipt));
}

MCM *ipt_mcm(ipt *table)
{
    return table ? table->chip : nullptr;
}

frame_s *ipt_lookup(ipt *table, uint64_t host, int create, int unlink, AXD *axd)
{
    if (!table) return nullptr;
    const uint32_t chain = chain_of(host);
    ChainLock lock(table, chain);
    frame_s **link = &table->chains[chain];
    for (; *link; link = &(*link)->next) {
        frame_s *frame = *link;
        if (host - frame->host >= 4096) continue;
        if (unlink) {
            *link = frame->next;
            frame->next = table->set_aside;
            table->set_aside = frame;
            __atomic_sub_fetch(&table->frames, 1, __ATOMIC_RELAXED);
        }
        return frame;
    }
    if (!create) return nullptr;
    frame_s *frame = frame_new(table, axd ? axd->pa : 0, host);
    if (!frame) return nullptr;
    frame->little_endian = axd && axd->le ? 1 : 0;
    frame->next = table->chains[chain];
    table->chains[chain] = frame;
    __atomic_add_fetch(&table->frames, 1, __ATOMIC_RELAXED);
    return frame;
}

void ipt_xflush_frames(ipt *table, int (*predicate)(frame_s *frame))
{
    if (!table) return;
    int64_t seen = 0;
    const int64_t frames = table->frames;
    for (uint32_t chain = 0; chain < IPT_CHAINS && seen < frames; chain++) {
        if (!table->chains[chain]) continue;
        ChainLock lock(table, chain);
        for (frame_s *frame = table->chains[chain]; frame; frame = frame->next) {
            seen++;
            if (predicate(frame)) frame_drop_xlate(frame);
        }
    }
}

void ipt_remove_frames(ipt *table)
{
    if (!table) return;
    for (uint32_t chain = 0; chain < IPT_CHAINS && table->frames > 0; chain++) {
        if (!table->chains[chain]) continue;
        ChainLock lock(table, chain);
        while (frame_s *frame = table->chains[chain]) {
            table->chains[chain] = frame->next;
            __atomic_sub_fetch(&table->frames, 1, __ATOMIC_RELAXED);
            frame_free(frame);
        }
    }
    while (frame_s *frame = table->set_aside) {
        table->set_aside = frame->next;
        frame_free(frame);
    }
}

int unconditional_flush_lambda(frame_s *)
{
    return 1;
}

int regtriggers_flush_lambda(frame_s *frame)
{
    return frame->regtrigger_flush;
}

int32_t turbo_xlate_flush(GenericMachine *machine)
{
    turbo_xlate_flushes++;
    return flush_machine(machine, unconditional_flush_lambda);
}

int32_t tt_regtrigger_xlate_flush(GenericMachine *machine)
{
    return flush_machine(machine, regtriggers_flush_lambda);
}

void turbo_xlate_flush_for_pa(uint64_t physical_address, ipt *table, MemoryClient *client)
{
    if (!table) {
        translator_warning("Ignoring attempt to flush frame at 0x%016lX, which does not have an IPT",
                           (unsigned long)physical_address);
        return;
    }
    uint8_t *host = Resolve_Mapped_Memory(client, physical_address & PAGE_MASK);
    if (!host) return;
    if (frame_s *frame = ipt_lookup(table, reinterpret_cast<uint64_t>(host), 0, 0, nullptr))
        frame_drop_xlate(frame);
}

void EMAT_XFLUSH(MCM *chip, uint64_t host_address)
{
    MemoryMap *memory = chip_memory_map(chip);
    if (!memory) return;
    if (frame_s *frame = ipt_lookup(memory->page_table, host_address, 0, 0, nullptr)) frame_drop_xlate(frame);
}
