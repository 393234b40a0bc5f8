// Stand-ins of the dirty-address and checker hooks of the physical data path.
#include "mmu/data_path_hooks.h"

// STAND-IN: the dirty-address table and the reference history are not built; no range is hit.
__attribute__((weak)) int mc_dirty_table_hit(GenericMachine *, uint64_t)
{
    return 0;
}
__attribute__((weak)) void ha_table_touch(ThreadState *, uint64_t, uint64_t) {}
__attribute__((weak)) void ha_read_address(IOPDesc *, AXD *) {}
__attribute__((weak)) void ha_add_dirty_address(IOPDesc *, AXD *) {}
__attribute__((weak)) void ha_walk(IOPDesc *) {}
// STAND-IN: the reference history is not built; it does nothing, as while GLENT_EN_REF_ARRAY is off.
__attribute__((weak)) int Reference_History_Array(IOPDesc *, uint64_t, uint64_t)
{
    return 1;
}
