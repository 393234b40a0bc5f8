// Stand-ins of the run-boundary helpers that come with later translator work.
#include "translator/callouts.h"
#include "translator/run_boundary.h"

#include "processor/records/thread_state.h"

// STAND-IN: instruction debugging of translated code is not built.
__attribute__((weak)) void INSTR_DEBUG_BEFORE(ThreadState *) {}
// STAND-IN: see INSTR_DEBUG_BEFORE.
__attribute__((weak)) void INSTR_DEBUG_AFTER(ThreadState *) {}
// STAND-IN: see INSTR_DEBUG_BEFORE; nothing is reported.
__attribute__((weak)) uint64_t jit_debug_start_inst(ThreadState *, uint64_t, uint64_t, uint64_t) noexcept
{
    return 0;
}
