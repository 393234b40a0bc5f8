// Stand-ins of the transactional-memory reservation check and transaction id.
#include "mmu/htm_reservation_standin.h"

// STAND-IN: transactions are not built, so no reservation is ever taken in transactional state.
__attribute__((weak)) int htm_check_S_with_reservation_in_T(ThreadState *)
{
    return 0;
}

// STAND-IN: transactions are not built; no transaction id has been drawn.
__attribute__((weak)) uint32_t htm_transaction_id(ThreadState *)
{
    return 0;
}
