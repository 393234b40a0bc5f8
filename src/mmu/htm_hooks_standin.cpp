// Stand-ins of the transactional-memory hooks of the load, store and cache instructions.
#include "mmu/htm_hooks.h"

#include "machine/memory_map.h"
#include "mmu/axd.h"
#include "processor/instruction_record.h"

// STAND-IN: the transactional-memory model is not built: no thread is ever inside a transaction,
// so the hooks below are reached only by instructions run in a transactional MSR state; failures
// are not recorded, footprints are empty and collisions never found.
__attribute__((weak)) int32_t HTM_Threads_In_Transaction(GenericMachine *)
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

// STAND-IN: see HTM_Threads_In_Transaction.
__attribute__((weak)) void htm_record_reservation_taken_state(IOPDesc *, AXD *) {}

// STAND-IN: without transactions the block is zeroed directly.
__attribute__((weak)) void HTM_PA_Clear_Memory_Directly(IOPDesc *iop, AXD *axd, int64_t size)
{
    PA_clear_memory_directly(iop->thread, axd->pa, size, 1);
}
