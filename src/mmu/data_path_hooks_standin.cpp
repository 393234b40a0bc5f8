// Stand-ins of the transactional, dirty-address and checker hooks of the physical data path.
#include "mmu/data_path_hooks.h"

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

__attribute__((weak)) void HTM_INCR_INSTR_COUNT(IOPDesc *) {}

// STAND-IN: the dirty-address table and the reference history are not built; no range is hit
// and tracking is off.
__attribute__((weak)) int mc_dirty_table_hit(GenericMachine *, uint64_t)
{
    return 0;
}
__attribute__((weak)) void ha_table_touch(ThreadState *, uint64_t, uint64_t) {}
__attribute__((weak)) int ha_tracking_enabled(ThreadState *)
{
    return 0;
}
__attribute__((weak)) void ha_read_address(IOPDesc *, AXD *) {}
__attribute__((weak)) void ha_add_dirty_address(IOPDesc *, AXD *) {}
__attribute__((weak)) void ha_walk(IOPDesc *) {}

// STAND-IN: the cache-containment checker is not built; accesses are not checked.
__attribute__((weak)) void cc_CheckAccess(IOPDesc *, AXD *, int) {}
