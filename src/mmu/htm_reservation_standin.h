// What the reservation code asks of the transactional-memory model: the suspended-state check of a
// reservation taken inside a transaction, and the thread's transaction id for debug texts.
#pragma once

#include <cstdint>

struct ThreadState;

// In suspended state with a reservation taken in transactional state: clears the reservation and
// gives 1; otherwise 0.
int htm_check_S_with_reservation_in_T(ThreadState *thread);
// The thread's current transaction id (printed as "HTMTID_%08X").
uint32_t htm_transaction_id(ThreadState *thread);
