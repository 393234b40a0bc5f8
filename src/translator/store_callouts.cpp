// Stores in translated code: the choice between the simple and the complex writer routine, and the
// call-outs of the complex and parallel-mode store paths, of load-and-reserve and store-conditional,
// and of the debug translation routines.
#include "translator/callouts.h"

#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/reservations.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/config/processor_options.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "runtime/debug.h"
#include "translator/emat.h"
#include "translator/emat_modes.h"
#include "translator/frame.h"
#include "translator/pturbo_locks.h"
#include "translator/jit_stubs.h"
#include "translator/page_tables.h"
#include "translator/run_boundary.h"
#include "translator/standalone_memory.h"
#include "translator/tt_triggers.h"

namespace
{

constexpr int DEBUG_CATEGORY_TRANSLATION_ROUTINES = 25;

MemoryMap *chip_memory_map(MCM *chip)
{
    return chip && chip->mbus ? chip->mbus->memory_map : nullptr;
}

// The frame of a translated access: from the page entry's frame slot, or (standalone, no entry)
// from the chip's table by host address.
frame_s *access_frame(ThreadState *thread, uint64_t host, uint64_t entry)
{
    if (turbo_standalone_memory(thread->mcm) || !entry) {
        MemoryMap *memory = chip_memory_map(thread->mcm);
        return memory ? ipt_lookup(memory->page_table, host, 0, 0, nullptr) : nullptr;
    }
    return static_cast<frame_s *>(emat_unbias(reinterpret_cast<emat_page_entry *>(entry)->frame));
}

// Holds the reservation-list lock for a thread run in parallel mode.
class ListLock
{
  public:
    explicit ListLock(ThreadState *thread) : held_(thread->turbo.in_pturbo != 0)
    {
        if (held_) pturbo_acquire_reservation_list_lock();
    }
    ~ListLock()
    {
        if (held_) pturbo_release_reservation_list_lock();
    }
    ListLock(const ListLock &) = delete;
    ListLock &operator=(const ListLock &) = delete;

  private:
    bool held_;
};

// XER flag bytes of the condition-code bits 0x08000000 to 0x01000000.
constexpr int XER_FLAG_CC0 = 4;

uint64_t jit_do_larx(ThreadState *thread, uint64_t ea, uint64_t host, uint64_t entry, int32_t size)
{
    MemoryClient *client = thread->memory_client;
    frame_s *frame = access_frame(thread, host, entry);
    if (!client || !frame) return 0; // the interpreter's
    if (thread->turbo.in_pturbo) {
        // Stores of other host threads take the slow path from now on; the ones in flight finish
        // before the reservation is made. The page lock stays held until the thread's next store
        // epilogue or the end of its task.
        incr_writer_count(thread);
        pturbo_acquire_reservation_lock(thread, frame);
        pturbo_wait_for_readers();
    }
    ListLock list(thread);
    clear_reservation_bit(client);
    create_reservation(client, frame->pa + (ea & 0xFFF), size);
    return host;
}

} // namespace

uint64_t jit_do_lwarx(ThreadState *thread, uint64_t ea, uint64_t host, uint64_t entry) noexcept
{
    return jit_do_larx(thread, ea, host, entry, 4);
}

uint64_t jit_do_ldarx(ThreadState *thread, uint64_t ea, uint64_t host, uint64_t entry) noexcept
{
    return jit_do_larx(thread, ea, host, entry, 8);
}

uint64_t jit_do_stcx(ThreadState *thread, uint64_t ea, uint64_t host, uint64_t entry) noexcept
{
    turbo_s &turbo = thread->turbo;
    MemoryClient *client = thread->memory_client;
    frame_s *frame = access_frame(thread, host, entry);
    int success = 0;
    ListLock list(thread);
    if (client && frame) {
        const uint64_t pa = frame->pa + (ea & 0xFFF);
        MemoryClient *next = nullptr;
        success = revoke_reservation(client, pa, &next);
        if (success) Record_a_successful_lock(thread, pa);
    }
    if (client && __atomic_load_n(&client->reservation_valid, __ATOMIC_ACQUIRE))
        clear_reservation_bit(client);
    turbo.cr[0] = 0;
    turbo.cr[1] = 0;
    turbo.cr[2] = (uint8_t)success;
    turbo.cr[3] = turbo.xer_flags[XER_FLAG_SO];
    if (thread->processor && thread->processor->options[PO_FXCC_FIELD_IN_XER]) {
        for (int i = 0; i < 4; i++)
            turbo.xer_flags[XER_FLAG_CC0 + i] = (uint8_t)(i == 2 ? success : 0);
    }
    return success ? host : reinterpret_cast<uint64_t>(&stcx_junk);
}

void turbo_update_simple_store_flag(ThreadState *thread)
{
    turbo_s &turbo = thread->turbo;
    if (turbo.in_pturbo) {
        turbo.simple_stores = 0;
        return;
    }
    MemoryMap *memory = chip_memory_map(thread->mcm);
    const int32_t holders = memory ? __atomic_load_n(&memory->reservation_count, __ATOMIC_ACQUIRE) : 0;
    if (holders <= 0)
        turbo.simple_stores = 1;
    else if (holders == 1)
        turbo.simple_stores =
            thread->memory_client &&
                    __atomic_load_n(&thread->memory_client->reservation_valid, __ATOMIC_ACQUIRE)
                ? 1
                : 0;
    else
        turbo.simple_stores = 0;
}

void turbo_update_writer(ThreadState *thread)
{
    turbo_s &turbo = thread->turbo;
    int index = EMAT_XLATE_MODE(thread, 0) + ((thread->MSR.value & MSR_SF) ? 16 : 0) +
                (debug_state[DEBUG_CATEGORY_TRANSLATION_ROUTINES] > 0 ? 8 : 0);
    if (tt_has_memtriggers(thread->mcm)) {
        tt_handle_memtriggers(thread->mcm);
        index += 32;
    }
    const uint64_t *writers = turbo.in_pturbo       ? jit_pturbo_writers
                              : turbo.simple_stores ? jit_simple_writers
                                                    : jit_complex_writers;
    turbo.writer = reinterpret_cast<void *>(writers[index]);
}

uint64_t jit_do_complex_write(ThreadState *thread, uint64_t ea, uint64_t host, uint64_t entry) noexcept
{
    if (frame_s *frame = access_frame(thread, host, entry)) {
        const uint64_t pa = frame->pa + (ea & 0xFFF);
        // In parallel mode the page lock is held until the store's epilogue (jit_do_xlate_written):
        // a load-and-reserve of the page cannot slip in between the revocation and the store.
        if (thread->turbo.in_pturbo && thread->turbo.pturbo_page_lock != &frame->reservation_lock)
            pturbo_acquire_reservation_lock(thread, frame);
        ListLock list(thread);
        revoke_core_reservations(thread->mcm, thread->memory_client, pa);
    }
    turbo_update_simple_store_flag(thread);
    if (thread->turbo.simple_stores) turbo_update_writer(thread);
    return reinterpret_cast<uint64_t>(thread->turbo.writer);
}

uint64_t jit_do_xlate_written(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept
{
    // Only parallel-mode code calls it, after a store, with a page lock held.
    if (!thread->turbo.in_pturbo) return 0;
    turbo_s &turbo = thread->turbo;
    pturbo_release_reservation_lock(thread);
    if (turbo.pturbo_reader_count) __atomic_store_n(turbo.pturbo_reader_count, 0, __ATOMIC_RELEASE);
    // While the thread's reservation is valid the writer count stays raised, so that every other
    // host thread's store takes the path that revokes it.
    MemoryClient *client = thread->memory_client;
    if (!(client && __atomic_load_n(&client->reservation_valid, __ATOMIC_ACQUIRE))) decr_writer_count(thread);
    return 0;
}

uint64_t jit_xlate_fetch_hook(ThreadState *, uint64_t, uint64_t, uint64_t) noexcept
{
    return 0;
}
uint64_t jit_xlate_read_hook(ThreadState *, uint64_t, uint64_t, uint64_t) noexcept
{
    return 0;
}
uint64_t jit_xlate_write_hook(ThreadState *, uint64_t, uint64_t, uint64_t) noexcept
{
    return 0;
}
