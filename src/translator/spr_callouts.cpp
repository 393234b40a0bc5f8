// The call-outs of special registers whose value translated code cannot simply load: the
// decrementer, counting down one per instruction of the pass.
#include "processor/config/processor_options.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "translator/callouts.h"

uint64_t jit_get_dec(ThreadState *thread, uint64_t left, uint64_t, uint64_t) noexcept
{
    const turbo_s &turbo = thread->turbo;
    const bool frozen = (thread->processor && thread->processor->options[PO_FREEZE_TIME_BASE_AND_DEC]) ||
                        (thread->decrementer && thread->decrementer->frozen);
    if (frozen) return (uint64_t)(int64_t)turbo.dec_at_entry;
    // One tick down for every instruction of the pass before this one.
    const int64_t before = (int64_t)turbo.togo - 1 - (int64_t)(uint32_t)left;
    return (uint64_t)((int64_t)turbo.dec_at_entry - before);
}
