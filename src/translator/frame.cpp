// Frames: a guest page known to the translator and its translations, made on first use per width
// and dropped together.
#include "translator/frame.h"

#include "processor/hooks/pturbo_control.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/hooks/pturbo_locks.h"
#include "processor/run/modes.h"
#include "runtime/alloc.h"
#include "translator/emat.h"
#include "translator/page_tables.h"
#include "translator/xframe.h"

namespace
{
constexpr uint64_t PAGE_MASK = ~0xFFFull;
constexpr uint32_t DEFAULT_BLOCK = 20;
pturbo_lock_s translation_lock{0, "translation"};

uint64_t fast_write_of(uint64_t host)
{
    return host ? emat_bias(reinterpret_cast<void *>(host)) : 0;
}
} // namespace

frame_s *frame_new(ipt *table, uint64_t pa, uint64_t host)
{
    frame_s *frame = QUARN_ZALLOC(1, frame_s);
    if (!frame) return nullptr;
    frame->owner = table;
    frame->pa = pa & PAGE_MASK;
    frame->host = host & PAGE_MASK;
    frame->fast_write = fast_write_of(frame->host);
    frame->check = 1;
    pturbo_spin_lock_init(&frame->reservation_lock, "frame_reservation");
    return frame;
}

void frame_free(frame_s *frame)
{
    if (!frame) return;
    frame_drop_xlate(frame);
    pturbo_spin_lock_destroy(&frame->reservation_lock);
    QUARN_FREE(frame);
}

void frame_update_for_sm_handling(frame_s *, AXD *, ThreadState *) {}

xframe *frame_xlate(frame_s *frame, int wide)
{
    if (!frame || frame->untranslatable) return nullptr;
    uint64_t &slot = wide ? frame->xframe64 : frame->xframe32;
    uint64_t made = __atomic_load_n(&slot, __ATOMIC_ACQUIRE);
    if (!made) {
        MCM *chip = ipt_mcm(frame->owner);
        // In parallel mode host threads may ask for the same page at once: one translates at a
        // time (the translation's code buffers are shared too), and the page is translated once.
        const bool parallel = chip && chip->machine && chip->machine->mode == MODE_PTURBO;
        if (parallel) pturbo_spin_lock(&translation_lock);
        made = __atomic_load_n(&slot, __ATOMIC_ACQUIRE);
        if (!made && !frame->untranslatable) {
            uint32_t block = chip && chip->machine ? (uint32_t)chip->machine->turbo_minimum : DEFAULT_BLOCK;
            made = xframe_bias(xframe_new(chip, frame, 1, wide, block));
            __atomic_store_n(&slot, made, __ATOMIC_RELEASE);
        }
        if (parallel) pturbo_spin_unlock(&translation_lock);
    }
    return made ? xframe_unbias(made) : nullptr;
}

void frame_drop_xlate(frame_s *frame)
{
    if (!frame) return;
    xframe_free(xframe_unbias(frame->xframe32));
    xframe_free(xframe_unbias(frame->xframe64));
    frame->xframe32 = 0;
    frame->xframe64 = 0;
    frame->untranslatable = 0;
    frame->fast_write = fast_write_of(frame->host);
    pturbo_zap_all_threads_now("frame_drop_xlate");
}
