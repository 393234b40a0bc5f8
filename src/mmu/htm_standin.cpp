// Stand-ins of the transactional-memory model; the model replaces this file as a whole. The
// definitions are weak (all but the stand-in log), so that a definition
// elsewhere overrides them.
#include "processor/hooks/htm.h"

#include "memory/memory_map.h"
#include "processor/hooks/semantics_hooks.h"
#include "processor/hooks/spr_interrupt_standins.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"

// ---- Machine-wide state

// STAND-IN: transactional memory is not built yet. The switch exists; a rollback succeeds, since
// there is no transaction to roll back.
__attribute__((weak)) int global_htm_status = 1;

__attribute__((weak)) int htm_rollback_all_transactions(GenericMachine *, uint64_t)
{
    return 1;
}

// STAND-IN: the transactional-memory model is not built: no thread is ever inside a transaction,
// so the load, store and cache hooks below are reached only by instructions run in a
// transactional MSR state; failures are not recorded, footprints are empty and collisions never
// found.
__attribute__((weak)) int32_t HTM_Threads_In_Transaction(GenericMachine *)
{
    return 0;
}

// STAND-IN: the transactional-memory model keeps nothing in the machine's block yet.
__attribute__((weak)) void htm_free(htm_data *) {}

// ---- Facility check and failure recording

// STAND-IN support: see htm_record_failure.
HTMFailureStandinLog htm_failure_standin_log = {0, nullptr, 0, 0};

// STAND-IN: the transaction (doomed flag, failure statistics, TEXASR/TFIAR update) is not
// modelled; a failure in transactional or suspended state is counted and kept in the log.
__attribute__((weak)) void htm_record_failure(ThreadState *thread, int32_t cause, uint64_t address, int32_t,
                                              uint32_t, uint64_t msr)
{
    if (!(msr & 0x600000000ull)) return;
    htm_failure_standin_log.calls++;
    htm_failure_standin_log.thread = thread;
    htm_failure_standin_log.cause = cause;
    htm_failure_standin_log.address = address;
}

// STAND-IN: transactions are not built; no instruction count is kept.
__attribute__((weak)) void HTM_INCR_INSTR_COUNT(IOPDesc *) {}

// ---- Interrupts: raising and delivery

// STAND-IN: transactions are not modelled; the failure record (code 0x1600000 with the type) is
// missing and the exception is left to the raiser.
__attribute__((weak)) int htm_handle_exception(IOPDesc *, int32_t)
{
    return 0;
}

// STAND-IN: see htm_handle_exception.
__attribute__((weak)) int htm_handle_interrupt(IOPDesc *, int32_t)
{
    return 0;
}

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

// ---- Reservations

// STAND-IN: transactions are not built; no transaction id has been drawn.
__attribute__((weak)) uint32_t htm_transaction_id(ThreadState *)
{
    return 0;
}

// ---- Storage accesses and the footprint

// STAND-IN: transactional reads and writes are not built; they are never reached while no thread
// is inside a transaction, and fail when they are.
__attribute__((weak)) int HTM_PA_Read_Memory_Reg(IOPDesc *, AXD *, uint64_t *)
{
    return 0;
}
__attribute__((weak)) int HTM_PA_Write_Memory_Reg(IOPDesc *, AXD *, uint64_t)
{
    return 0;
}
__attribute__((weak)) void HTM_PA_Write_Memory_TAG(IOPDesc *, AXD *, int) {}

// STAND-IN: no transaction exists yet, so no footprint holds a tag (never holds one: 0).
__attribute__((weak)) int HTM_PA_Read_Memory_TAG(ThreadState *, uint64_t, int *)
{
    return 0;
}

// STAND-IN: see HTM_Threads_In_Transaction.
__attribute__((weak)) int Is_PA_To_HTM_Store_Footprint(IOPDesc *, uint64_t)
{
    return 0;
}

// STAND-IN: see HTM_Threads_In_Transaction.
__attribute__((weak)) void htm_check_touch_collision(IOPDesc *, int32_t, uint64_t, int, int) {}

// STAND-IN: without transactions the block is zeroed directly.
__attribute__((weak)) void HTM_PA_Clear_Memory_Directly(IOPDesc *iop, AXD *axd, int64_t size)
{
    PA_clear_memory_directly(iop->thread, axd->pa, size, 1);
}
