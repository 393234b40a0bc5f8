// Stand-ins of the dirty-address hooks of the physical data path that belong to other subsystems.
#include "mmu/data_path_hooks.h"

// STAND-IN: the memory controllers' dirty-address table ranges are not built; no range is hit.
__attribute__((weak)) int mc_dirty_table_hit(GenericMachine *, uint64_t)
{
    return 0;
}
// STAND-IN: the record of a thread's access to a memory controller's dirty-address table is not
// built (it cannot be reached while no range is hit).
__attribute__((weak)) void ha_table_touch(ThreadState *, uint64_t, uint64_t) {}
