// Stand-ins of the run-boundary helpers until translated code runs.
#include "translator/run_boundary.h"

#include "processor/records/thread_state.h"

// STAND-IN: translated code does not run yet, so nothing reads split CR and XER bytes.
__attribute__((weak)) void jit_before(ThreadState *, xframe *) {}
// STAND-IN: see jit_before; there is nothing to fold back.
__attribute__((weak)) uint32_t jit_after(ThreadState *, uint32_t left)
{
    return left;
}
// STAND-IN: no translated floating-point code records a pending result class yet.
__attribute__((weak)) int64_t turbo_update_FPSCR(ThreadState *, uint64_t, uint64_t, uint64_t)
{
    return 0;
}
// STAND-IN: no translated code requests SMT priorities yet.
__attribute__((weak)) int32_t turbo_update_smt_priority(ThreadState *thread)
{
    return thread->turbo.smt_priority;
}
// STAND-IN: the store routines do not exist yet; stores are never simple.
__attribute__((weak)) void turbo_update_simple_store_flag(ThreadState *thread)
{
    thread->turbo.simple_stores = 0;
}
// STAND-IN: instruction debugging of translated code is not built.
__attribute__((weak)) void INSTR_DEBUG_BEFORE(ThreadState *) {}
// STAND-IN: see INSTR_DEBUG_BEFORE.
__attribute__((weak)) void INSTR_DEBUG_AFTER(ThreadState *) {}
