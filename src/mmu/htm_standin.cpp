#include "mmu/htm_standin.h"

// STAND-IN: transactional memory is not built yet. The switch exists; a rollback succeeds, since
// there is no transaction to roll back. Weak, so that the transactional-memory model's definitions
// replace these.
__attribute__((weak)) int global_htm_status = 1;

__attribute__((weak)) int htm_rollback_all_transactions(GenericMachine *, uint64_t)
{
    return 1;
}

// STAND-IN: the transactional-memory model keeps nothing in the machine's block yet.
__attribute__((weak)) void htm_free(htm_data *) {}
