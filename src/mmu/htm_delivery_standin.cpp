// Stand-ins of the transactional-memory model's answers to interrupt raising and delivery.
#include "mmu/htm_delivery_standin.h"

// STAND-IN: the transactional-memory model is not built; no transaction ever records a failure.
__attribute__((weak)) int htm_failure_recorded(ThreadState *)
{
    return 0;
}

// STAND-IN: see htm_failure_recorded; failures are never handled at once.
__attribute__((weak)) int htm_handles_failures_at_once(ThreadState *)
{
    return 0;
}

// STAND-IN: see htm_failure_recorded; the rollback to the failure handler is missing.
__attribute__((weak)) void htm_handle_failure(IOPDesc *) {}

// STAND-IN: see htm_failure_recorded; no checkpointed FPSCR is kept.
__attribute__((weak)) uint64_t htm_checkpointed_fpscr(ThreadState *)
{
    return 0;
}
